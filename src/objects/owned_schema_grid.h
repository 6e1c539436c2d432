#pragma once
// The grid of the role and user windows that lists the database's schemas with a tick on those
// the principal owns: tick, schema name, schema owner.
#include <QList>
#include <QString>

#include <functional>

namespace qv {

class TObjectSession;
class TqvStringGrid;

namespace grants {
// One schema row as the role and user statements read it.
struct OwnedSchema {
    QString schema;
    bool ticked = false;
    bool loaded = false;
};
// The schemas of `database` with their owners, after the database's "use" line.
QString OwnedSchemaQuery(const QString& database);
} // namespace grants

// The grid. keepsDboSchemas: true when the window shows the existing principal dbo, whose
// schemas cannot be given away (unticking one of them is undone at once); changed: any other
// edit of a cell.
TqvStringGrid* NewOwnedSchemaGrid(const QString& tickHeader, int tickWidth, std::function<bool()> keepsDboSchemas,
                                  std::function<void()> changed);
// Reads the schemas of `database` into the grid, ticking those owned by `owner` (none for an
// empty owner), and keeps them as the loaded state.
void FillOwnedSchemas(TqvStringGrid* grid, TObjectSession& session, const QString& database, const QString& owner);
// The named rows with their ticks now and as loaded.
QList<grants::OwnedSchema> OwnedSchemas(const TqvStringGrid* grid);

} // namespace qv
