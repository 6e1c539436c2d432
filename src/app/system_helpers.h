#pragma once
// Window-free system helpers: the system version test, the bitness of an executable file and
// the search order of a list window's find-next box.
#include <QString>
#include <QStringList>

#include <functional>

namespace qv {

// The major version the system reports, noted once at start-up. This platform answers as a
// current system (10).
int SystemMajorVersion();
// Equal to 6 (`orLater` false) or 6 and above (`orLater` true).
bool IsWindowsVista(bool orLater, int majorVersion = SystemMajorVersion());

// "32ビット", "64ビット" or "Unknown": the machine type of a PE executable whose signature lies
// within the bytes 64..319, or the class of an ELF executable. Any read error gives "Unknown".
QString GetExeBitness(const QString& fileName);

// The find-next order of a list's search box: the items after `selected` to the end, then (when
// an item was selected) the items from the first through the selected one. `itemTexts(i)` gives
// the caption and, when there is one, the first sub-item of item i; an item matches when one of
// them contains `text` (ASCII letters compared without regard to case). Returns the index of the
// first match, or -1 (also for an empty text).
int FindListItem(int count, int selected, const QString& text,
                 const std::function<QStringList(int)>& itemTexts);

} // namespace qv
