#include "connection/object_tree_model.h"

#include <algorithm>

namespace qv::tree {

QList<TObjectTypeCode> ShownTypes(const TqvOption& o, int dbVer, bool azure)
{
    QList<TObjectTypeCode> t;
    if (o.ShowTable) t << ObjType::Table;
    if (o.ShowIndex) t << ObjType::Index;
    if (o.ShowView) t << ObjType::View;
    if (o.ShowProc) t << ObjType::Procedure;
    if (o.ShowFunc) t << ObjType::Function;
    if (o.ShowTrigger) t << ObjType::Trigger;
    if (o.ShowSeq && dbVer >= 11 && !azure) t << ObjType::Sequence;
    if (o.ShowSynonym && dbVer >= 9) t << ObjType::Synonym;
    if (o.ShowConst) t << ObjType::Constraint;
    return t;
}

bool DatabaseShown(const QString& name, int disp, const QString& connectionDb, const QStringList& configured)
{
    if (disp == DispLogin)
        return name == connectionDb;
    if (disp == DispConfigured && !configured.isEmpty())
        return configured.contains(name, Qt::CaseInsensitive);
    return true;
}

Node Build(const Input& in, const TqvOption& options)
{
    QStringList dbs = in.databases;
    std::stable_sort(dbs.begin(), dbs.end(),
                     [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    if (options.UserFirst && dbs.contains(in.connectionDb)) {
        dbs.removeOne(in.connectionDb);
        dbs.prepend(in.connectionDb);
    }
    const int disp = in.azure ? DispLogin : in.disp;
    QStringList shownDbs;
    for (const QString& d : dbs)
        if (DatabaseShown(d, disp, in.connectionDb, in.configured))
            shownDbs << d;
    const QList<TObjectTypeCode> types = ShownTypes(options, in.dbVer, in.azure);
    auto dbNode = [&](const QString& d) {
        Node n;
        n.text = d;
        n.image = d == in.connectionDb ? (in.azure ? ObjType::AzureDatabase : ObjType::OwnDatabase) : ObjType::Database;
        return n;
    };
    auto typeNode = [](TObjectTypeCode code) {
        Node n;
        n.text = GetObjectTypeName(code);
        n.image = code;
        return n;
    };

    Node root;
    root.text = (in.server + QStringLiteral("(") + in.productVersion + QStringLiteral(")")).trimmed();
    root.image = 5;
    if (!in.typesFirst) {
        bool ownDone = false;
        for (const QString& d : shownDbs) {
            Node n = dbNode(d);
            for (TObjectTypeCode t : types)
                n.children << typeNode(t);
            if (!ownDone && d == in.connectionDb) {
                n.expanded = n.selected = true;
                ownDone = true;
            }
            root.children << n;
        }
    } else {
        for (TObjectTypeCode t : types) {
            Node n = typeNode(t);
            for (const QString& d : shownDbs)
                n.children << dbNode(d);
            root.children << n;
        }
        root.selected = true;
    }
    return root;
}

ListTarget TargetFor(int level, const QString& text, const QString& parentText, bool typesFirst, int disp,
                     const QString& connectionDb, const TqvOption& options)
{
    const QString rootDb = disp == DispLogin ? connectionDb : QStringLiteral("%");
    ListTarget t;
    if (level == 0) {
        if (!options.ShowLevel0)
            return t;
        t = {true, QStringLiteral("%"), rootDb};
    } else if (level == 1) {
        if (!options.ShowLevel1)
            return t;
        t = typesFirst ? ListTarget{true, text, rootDb} : ListTarget{true, QStringLiteral("%"), text};
    } else if (level == 2) {
        t = typesFirst ? ListTarget{true, parentText, text} : ListTarget{true, text, parentText};
    }
    return t;
}

} // namespace qv::tree
