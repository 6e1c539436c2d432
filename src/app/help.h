#pragma once
// The help binding: every help request of the program opens the help file named after the
// executable (its extension replaced by ".chm") beside it, with the desktop's viewer.
#include <QString>

namespace qv {

class HelpBinding {
public:
    // The help file: the executable's path with the extension ".chm".
    static QString helpFile();
    // The help contents; false (after an error box) when the file cannot be shown.
    static bool showContents();
    // The topic of a context number; the viewer opens the file at its start.
    static bool showContext(int context);
    // Addresses of the product pages; an empty address hides its menu item.
    static QString homePageAddress();
    static QString faqPageAddress();
};

} // namespace qv
