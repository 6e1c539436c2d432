#pragma once
// The main image list: images indexed by object-type code (0 … 166), the index that child
// windows, lists and actions use for their icons. Icons come from the Breeze theme; an index
// without a theme icon (or a machine without the theme) gets a drawn picture, so no image is
// ever blank. imgButton is the same list at the menu size of 20 × 20.
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace qv {

constexpr int kMainImageCount = 167;

struct MainImageEntry {
    int index;
    const char* iconName; // Breeze icon name
    const char* glyph;    // up to three characters drawn when the theme has no icon
    unsigned rgb;         // colour of the drawn picture, 0xRRGGBB
};

// The one table of index → icon; indexes not listed get a neutral drawn picture.
const MainImageEntry* mainImageEntry(int index);
QString mainImageIconName(int index);

// The image of imgMain at index (an empty icon outside 0 … 166).
QIcon imgMain(int index);
// The image of imgButton: imgMain's picture at 20 × 20.
QPixmap imgButton(int index);
// The drawn picture of an index, size × size.
QPixmap drawnImage(int index, int size);

// Makes sure an icon theme is in force (Breeze unless the desktop set one).
void ensureIconTheme();
// Forgets the cached icons (after a theme change; used by tests).
void clearImageCache();

} // namespace qv
