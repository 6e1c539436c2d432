#pragma once
// The SQL reference's template files (".tpl"): groups ("%%%name"), items ("【 name 】" headings
// with the lines below them) and references between items ("<name>" in a body), read with
// byte-order-mark detection (UTF-8, UTF-16) and CP932 otherwise. TfrmTemplate shows them.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv {

// The lines of a template file: a UTF-8 or UTF-16 mark selects that encoding, anything else is
// read as CP932. Throws qv::Exception when the file cannot be read.
QStringList ReadTemplateLines(const QString& fileName);
// The versions in a folder: the names without extension of its "*.tpl" files, upper-cased, sorted.
QStringList TemplateVersions(const QString& folder);

struct TemplateTreeGroup {
    QString name;          // empty: the items before the first group line
    QList<int> items;      // item numbers (TemplateDoc::Items order)
};

class TemplateDoc {
public:
    TemplateDoc() = default;
    explicit TemplateDoc(QStringList lines);

    struct Item {
        QString name;
        int line = 0;  // the heading line
    };
    const QList<Item>& Items() const { return m_items; }
    // The first item of that name (letter case ignored); -1 when none.
    int Find(const QString& name) const;
    // The heading and body lines of one item.
    QStringList ItemLines(int item) const;
    // The item and, depth first, every item it refers to, each once.
    QList<int> Collect(int item) const;
    // What the editor shows for an item: the collected items' lines one after the other.
    QStringList DisplayLines(int item) const;
    // The tree: groups in file order with their items; a non-blank find text keeps only the
    // items below a group whose shown text contains it (items before the first group stay).
    QList<TemplateTreeGroup> Tree(const QString& findText) const;

private:
    QStringList m_lines;
    QList<Item> m_items;
};

} // namespace qv
