#include "connection/open_object_map.h"

namespace qv {

QString DefinitionWindowClass(DefinitionWindow w)
{
    switch (w) {
    case DefinitionWindow::None: return QString();
    case DefinitionWindow::Database: return QStringLiteral("Tfrmdb");
    case DefinitionWindow::User: return QStringLiteral("TfrmUser");
    case DefinitionWindow::Schema: return QStringLiteral("TfrmSchema");
    case DefinitionWindow::Table: return QStringLiteral("TfrmTable");
    case DefinitionWindow::Index: return QStringLiteral("TfrmIndex");
    case DefinitionWindow::View: return QStringLiteral("TfrmView");
    case DefinitionWindow::Source: return QStringLiteral("TfrmSource");
    case DefinitionWindow::Trigger: return QStringLiteral("TfrmTrigger");
    case DefinitionWindow::Sequence: return QStringLiteral("TfrmSeq");
    case DefinitionWindow::Synonym: return QStringLiteral("TfrmSynonym");
    case DefinitionWindow::Constraint: return QStringLiteral("TfrmConst");
    case DefinitionWindow::Role: return QStringLiteral("TfrmRole");
    case DefinitionWindow::FileGroup: return QStringLiteral("TfrmTBS");
    case DefinitionWindow::Job: return QStringLiteral("TfrmJob");
    case DefinitionWindow::JobSchedule: return QStringLiteral("Tfrmjobschedule");
    case DefinitionWindow::Login: return QStringLiteral("TfrmLogin");
    }
    return QString();
}

namespace {
QString BeforeFirstDot(const QString& name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.left(dot);
}

QString IndexTableName(const QString& parentObject, const ListSelection& sel)
{
    if (!sel.hasItem || !parentObject.isEmpty())
        return parentObject;
    // The list shows one object type (the index listing, table name in sub-item 3) at a type
    // node; at the server or a database node it shows every kind and an index row keeps its
    // table's name in sub-item 5.
    const bool oneType = (sel.treeSort == 0 && sel.treeLevel == 2) ||
                         (sel.treeSort == 1 && (sel.treeLevel == 1 || sel.treeLevel == 2));
    return sel.subItems.value(oneType ? 3 : 5);
}
} // namespace

OpenRequest ResolveOpen(TObjectTypeCode type, const QString& database, const QString& schema, const QString& name,
                        TOpenMode mode, int defTopRecord, const QString& parentObject, const ListSelection& sel)
{
    OpenRequest r;
    r.objectType = type;
    r.database = database;
    r.schema = schema;
    r.name = name;
    r.mode = mode;
    switch (type) {
    case 1: case 116: case 118: r.window = DefinitionWindow::Database; break;
    case 2: case 3: r.window = DefinitionWindow::User; break;
    case 4: case 125: case 126: r.window = DefinitionWindow::Schema; break;
    case 45: r.window = DefinitionWindow::Table; r.topRecord = defTopRecord; break;
    case 46: r.window = DefinitionWindow::Index; r.tableName = IndexTableName(parentObject, sel); break;
    case 47: r.window = DefinitionWindow::View; r.topRecord = defTopRecord; break;
    case 51: case 52: r.window = DefinitionWindow::Source; break;
    case 57: r.window = DefinitionWindow::Trigger; r.tableName = parentObject; break;
    case 58: r.window = DefinitionWindow::Sequence; break;
    case 60: r.window = DefinitionWindow::Synonym; break;
    case 66: r.window = DefinitionWindow::Constraint; r.tableName = parentObject; break;
    case 68: r.window = DefinitionWindow::Role; break;
    case 69: r.window = DefinitionWindow::FileGroup; r.tabImage = 69; break;
    case 73:
        r.window = DefinitionWindow::Table;
        r.name = BeforeFirstDot(name);
        r.topRecord = 0;
        break;
    case 74:
        r.window = DefinitionWindow::Index;
        r.name = BeforeFirstDot(name);
        r.tableName = sel.hasItem ? sel.subItems.value(3) : QString();
        break;
    case 97: r.window = DefinitionWindow::Job; break;
    case 117: r.window = DefinitionWindow::JobSchedule; break;
    case 119: case 120: r.window = DefinitionWindow::Login; break;
    default: r.window = DefinitionWindow::None; break;
    }
    return r;
}

} // namespace qv
