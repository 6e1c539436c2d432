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

// Creates the folder and every missing parent; each folder created here is open to the user
// only (0700). With `tighten`, an existing folder of the user's that others could read is made
// 0700 too (for the program's own data folder). False when the folder does not exist afterwards.
bool MakePrivatePath(const QString& dir, bool tighten = false);

// Writes the bytes to the file through a temporary file in the same folder that is renamed
// over it, open to the user only (0600) from the first byte on, whatever mode the file had.
// False (errno set) on failure; the old file then stays as it was.
bool WritePrivateFile(const QString& fileName, const QByteArray& bytes);

} // namespace qv
