#pragma once
// Window-free text of the file groups and files window: the list statements of its two pages,
// the cells of a row by column tag in the chosen size unit, and the statements of its commands
// (default file group, read-only, file online/offline, shrink, removal). Names are always
// bracketed with "]" doubled, texts are N'..' literals.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::storagelist {

// A list column of a page: caption, width in pixels, alignment, shown or not. The position in
// the page's list is the column's tag, which decides what the column shows.
struct ListColumn {
    QString name;
    int size = 90;
    Qt::Alignment align = Qt::AlignLeft;
    bool visible = true;
};
// The file group page (tags 0..8) and the file page (tags 0..9) with their default widths.
QList<ListColumn> GroupColumns();
QList<ListColumn> FileColumns();
// The tag of the usage bar column: 4 on the file group page, 7 on the file page.
int RateTag(bool filePage);

// The list of the file group page (run after the use line of the chosen database).
QString FileGroupListSql();
// The file page: sysfiles before version 9, master.sys.master_files (parameter :DB) from 9.
QString FileListSql(int version);
// The maximum of one file group's files (parameter :ID).
QString GroupMaxSql();

// The size units of the combo and their divisors; "MB" when the unit is unknown.
QStringList Units();
double UnitDivisor(const QString& unit);
// A byte count in the unit: one decimal, "B" whole bytes, thousands separated.
QString SizeText(double bytes, const QString& unit);

// One file group row as the list shows it (tags 0..8). Sizes in 8 KB pages.
struct GroupRow {
    QString name;
    QString sizePages, usedPages; // texts of the answer (not a number: 0)
    qint64 maxPages = 0;          // the first file's maxsize; below 0 unlimited
    QString isDefault, isReadOnly, fileCount;
};
QStringList GroupCells(const GroupRow& r, const QString& unit);
// One file row (tags 0..9).
struct FileRow {
    QString name, physicalName, groupName;
    QString sizePages, maxPages, usedPages;
    QString state, isLogFile;
};
QStringList FileCells(const FileRow& r, const QString& unit);
// The usage rate 1 − free ÷ size, 0 for an empty size.
double Rate(double size, double used);

// Commands.
QString DefaultSql(const QString& database, const QString& group);
QString ReadOnlySql(const QString& database, const QString& group, bool readOnly, int version);
// The read-only entry's caption by the selected row's read-only cell.
QString ReadOnlyCaption(const QString& readOnlyCell);
QString OnlineSql(const QString& database, const QString& file, const QString& group);
QString OfflineSql(const QString& database, const QString& file);
QString ShrinkSql(const QString& database, const QString& file);
QString GroupFilesSql(const QString& database, const QString& group);
QString RemoveFileSql(const QString& database, const QString& file);
QString RemoveGroupSql(const QString& database, const QString& group);

} // namespace qv::storagelist
