#include "objects/owned_schema_grid.h"

#include "app/qvstrings.h"
#include "connection/object_session.h"
#include "controls/grid/string_grid.h"
#include "objects/resource_page.h"
#include "platform/db/query.h"

namespace qv {

namespace {
bool Ticked(const TqvStringGrid* g, int r) { return g->Cells(0, r) == QLatin1String("1"); }
bool WasTicked(const TqvStringGrid* g, int r) { return r < g->SaveRowCount() && g->SaveCells(0, r) == QLatin1String("1"); }
} // namespace

QString grants::OwnedSchemaQuery(const QString& database)
{
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) +
           QStringLiteral("\r\nSELECT sc.name, ow.name from sys.schemas sc\r\n"
                          "inner join sys.database_principals ow on sc.principal_id = ow.principal_id");
}

TqvStringGrid* NewOwnedSchemaGrid(const QString& tickHeader, int tickWidth, std::function<bool()> keepsDboSchemas,
                                  std::function<void()> changed)
{
    auto* grid = new TqvStringGrid;
    grid->setObjectName(QStringLiteral("grdSchema"));
    grid->SetColCount(3);
    SetDataRows(grid, 0);
    grid->SetHeader({tickHeader, QStringLiteral("スキーマ名"), QStringLiteral("スキーマの所有者")});
    grid->SetColWidths(0, tickWidth);
    grid->OnSetEditText = [keepsDboSchemas = std::move(keepsDboSchemas), changed = std::move(changed)](
                              TqvStringGrid* g, int c, int r, const QString& v) {
        if (c == 0 && keepsDboSchemas() && g->Cells(2, r) == QLatin1String("dbo") && v != QLatin1String("1") &&
            WasTicked(g, r)) {
            g->SetCells(0, r, QStringLiteral("1"));
            return;
        }
        changed();
    };
    return grid;
}

void FillOwnedSchemas(TqvStringGrid* grid, TObjectSession& session, const QString& database, const QString& owner)
{
    SetDataRows(grid, 0);
    grid->SetGridOptions(grid->GridOptions() & ~goEditing);
    grid->SetGridMode(TqvGridEditorMode::geAccess);
    grid->SetEditStyles(0, TqvGridEditStyle::geCheckBox);
    QList<QStringList> rows;
    db::Query* q = session.OpenSQL(grants::OwnedSchemaQuery(database));
    try {
        for (q->First(); !q->Eof(); q->Next())
            rows << QStringList{q->Fields().at(0)->AsString(), q->Fields().at(1)->AsString()};
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
    SetDataRows(grid, int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const bool owned = !owner.isEmpty() && rows.at(i).at(1) == owner;
        grid->SetRows(i + 1, {owned ? QStringLiteral("1") : QString(), rows.at(i).at(0), rows.at(i).at(1)});
    }
    grid->Save();
}

QList<grants::OwnedSchema> OwnedSchemas(const TqvStringGrid* grid)
{
    QList<grants::OwnedSchema> out;
    for (int r = 1; r < grid->RowCount(); ++r)
        if (!grid->Cells(1, r).isEmpty())
            out << grants::OwnedSchema{grid->Cells(1, r), Ticked(grid, r), WasTicked(grid, r)};
    return out;
}

} // namespace qv
