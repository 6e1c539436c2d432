#pragma once
// Cross references without any window: the catalog reads of the dependency page, the walk that
// builds its two trees (what an object references, and what references it, each to the depth
// of the CrossLevel option, across the chosen databases of the server) and the stored choice of
// databases (CROSSDB\<server>, value DataBase). The frame (cross_ref_frame.*) shows the trees.
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace qv::cross {

// The type codes that have a filter button (table, index, view, procedure, function, trigger,
// sequence, synonym); rows of any other code always pass.
const QList<int>& FilterTypes();

struct Context {
    int dbVer = 15;
    bool azure = false;
    QString database;      // the window's database
    QStringList chosen;    // databases chosen for references across databases
    int crossLevel = 3;    // the CrossLevel option
    QSet<int> hiddenTypes; // filter buttons that are up
};

// One node of a tree; level 0 is the root.
struct Node {
    QString text;
    int image = 0;         // object type code (255 for other kinds)
    QStringList subItems;  // see the walk
    QList<Node> children;
    // Number of levels below this node (0 without children).
    int Depth() const;
    // The tree as text: one line per node in display order, one tab per level below the root.
    QStringList Lines(int level = 0) const;
};

// Runs a catalog read and returns its rows (the frame: the connection window's session).
using Reader = std::function<QList<QVariantList>(const QString& sql, const QStringList& params)>;

// The xtype of schema.name in a database: "use", then a read with OWNER and NAME.
QString KindQuery(const QString& database);
// The xtype of one object named as a literal (rows from other databases).
QString KindQueryLiteral(const QString& database, const QString& schema, const QString& name);

struct ReferencesInput {
    int dbVer = 15;
    bool azure = false;
    QString xtype;            // of the object (trimmed)
    QString schema, name;
    QString callDatabase;     // the database whose references are read
    QString windowDatabase;
    QStringList chosen;
    bool withSelf = false;    // below the root: leave the node's own object out (:PARENT)
};
// What an object references: four columns schema, name, type, database; no "use" line.
QString ReferencesQuery(const ReferencesInput& in);
// What references an object in the window's database: three columns schema, name, type; the
// parameters TYPE (withType) and PARENT (withSelf) in this order; no "use" line.
QString ReferencedByQuery(int dbVer, bool azure, const QString& schema, const QString& name, bool withType,
                          bool withSelf);
// What in database `chosen` references database.schema.name (a reference without a database
// counts as one into `chosen`, without a schema as one into "dbo"), with the "use" line.
QString OtherDbReferencedByQuery(const QString& chosen, const QString& database, const QString& schema,
                                 const QString& name);

// The two walks.
class Walker {
public:
    Walker(Context ctx, Reader reader) : m_ctx(std::move(ctx)), m_read(std::move(reader)) {}
    // The left tree: root schema.name (image rootImage) and what it references.
    Node References(const QString& schema, const QString& name, int rootImage);
    // The right tree: root and what references it, in the window's database and in the chosen
    // databases (from version 10, not on Azure).
    Node ReferencedBy(const QString& schema, const QString& name, int rootImage);

private:
    bool Passes(int code) const;
    void AddReferences(Node& node, int level, const QString& database, const QString& schema, const QString& name,
                       bool withSelf);
    void AddReferencedBy(Node& node, int level, const QString& schema, const QString& name, bool withSelf,
                         const QString& type);
    void AddOtherDbReferencedBy(Node& node, int level, const QString& database, const QString& schema,
                                const QString& name);
    bool CrossDatabase() const { return !m_ctx.azure && m_ctx.dbVer > 9; }

    Context m_ctx;
    Reader m_read;
};

// The registry key of the chosen databases of a server, below the settings root: a named
// instance "H\I" makes the nested key "CROSSDB\H\I".
QString ChoiceKey(const QString& server);
// The stored text (names each followed by CR LF) and back.
QStringList ParseChoice(const QString& text);
QString ChoiceText(const QStringList& names);
// Keeps the names that are among the login's databases (letter case ignored), in order.
QStringList KeepExisting(const QStringList& chosen, const QStringList& databases);
// Reads and writes the choice in the settings.
QStringList LoadChoice(const QString& server);
void SaveChoice(const QString& server, const QStringList& names);

} // namespace qv::cross
