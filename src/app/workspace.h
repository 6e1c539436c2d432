#pragma once
// The work space (the user's list of favourite objects) and the recent objects (per
// connection, most recent first), with their load and save below the settings root:
//   WORKSPACE\<i>                entry i
//   RECENTOBJECT\DB<s>           slot s ("Connect" = its first entry's connection)
//   RECENTOBJECT\DB<s>\<j>       entry j of slot s (at most 10 are saved)
// Each entry key holds "ObjectType", "Title", "Schema", "ObjectName", "ParentObject",
// "DataBase" and "Connect".
#include <QList>
#include <QString>

namespace qv {

struct TqvObjectEntry {
    int ObjectType = 0;   // object-type code, also the icon index
    QString Title;        // display text
    QString Schema;
    QString ObjectName;
    QString ParentObject; // the table of an index, else empty
    QString DataBase;
    QString Connect;      // connect text of the connection the entry belongs to

    bool operator==(const TqvObjectEntry&) const = default;
};
using TqvWorkSpace = TqvObjectEntry;
using TqvRecentObject = TqvObjectEntry;

// The work space in display order.
extern QList<TqvWorkSpace> WorkSpaceList;
// One slot per connection identity, each most recent first.
extern QList<QList<TqvRecentObject>> RecentObjectList;

inline constexpr int RecentObjectsSaved = 10;

// Replaces WorkSpaceList with the stored work space.
void LoadWorkSpace();
// Replaces the stored work space with WorkSpaceList. A refused write raises.
void SaveWorkSpace();
void LoadRecentObjects();
void SaveRecentObjects();

} // namespace qv
