#pragma once
// A small data set for the grid tests: the data-access layer's table data set over string
// fields, with its data source, the values of any record and counts of the changes it kept.
#include "platform/db/dataset.h"
#include "platform/db/result_table.h"

#include <QStringList>
#include <memory>

namespace qvtest {

class TestData : public qv::db::TableDataSet {
public:
    explicit TestData(int fields)
    {
        std::vector<qv::db::ColumnDesc> cols;
        for (int f = 0; f < fields; ++f) {
            qv::db::ColumnDesc d;
            d.name = QStringLiteral("F%1").arg(f + 1);
            d.typeName = QStringLiteral("nvarchar");
            d.size = 10;
            cols.push_back(d);
        }
        m_table = std::make_shared<qv::db::ResultTable>(cols);
        OnApplyUpdate = [this](UpdateKind k, const QVariantList&, const QVariantList&) {
            if (k == UpdateKind::Delete) ++m_deletes;
            else ++m_posts;
        };
        src.SetDataSet(this);
    }
    ~TestData() override { src.SetDataSet(nullptr); }

    // a null QString is NULL
    void AddRow(const QStringList& values)
    {
        for (int c = 0; c < m_table->columnCount(); ++c) {
            const QString v = c < values.size() ? values[c] : QString();
            if (v.isNull()) m_table->appendNull(c);
            else m_table->appendText(c, v);
        }
        m_table->endRow();
    }
    void Open()
    {
        SetTable(m_table);
        qv::db::DataSet::Open();
    }
    qv::db::Field* F(int i) const { return Fields()[i]; }
    QString Value(int rec, int field)
    {
        SetActivePosition(rec);
        const QString v = F(field)->AsString();
        SetActivePosition(CursorPosition());
        return v;
    }
    void WriteValue(int field, const QString& v)
    {
        if (State() == qv::db::dsBrowse)
            Edit();
        F(field)->SetAsString(v);
    }
    int PostCount() const { return m_posts; }
    int DeleteCount() const { return m_deletes; }

    qv::db::DataSource src;

private:
    std::shared_ptr<qv::db::ResultTable> m_table;
    int m_posts = 0, m_deletes = 0;
};

// A data set of `rows` records over `fields` string fields, values "r<rec>c<field>".
inline std::unique_ptr<TestData> MakeDataSet(int rows, int fields)
{
    auto ds = std::make_unique<TestData>(fields);
    for (int r = 0; r < rows; ++r) {
        QStringList v;
        for (int f = 0; f < fields; ++f)
            v << QStringLiteral("r%1c%2").arg(r + 1).arg(f + 1);
        ds->AddRow(v);
    }
    return ds;
}

} // namespace qvtest
