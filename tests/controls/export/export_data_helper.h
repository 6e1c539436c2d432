#pragma once
// A data set for the export tests: columns given as "name type" pairs ("a int",
// "b nvarchar(20)"), records as lists of values (an invalid QVariant is NULL).
#include "platform/db/dataset.h"
#include "platform/db/result_table.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QVariantList>
#include <memory>

namespace qvtest {

class ExportData : public qv::db::TableDataSet {
public:
    explicit ExportData(const QStringList& columns)
    {
        std::vector<qv::db::ColumnDesc> cols;
        for (const QString& spec : columns) {
            const qsizetype blank = spec.indexOf(QLatin1Char(' '));
            qv::db::ColumnDesc d;
            qv::db::parseTypeSpec(spec.mid(blank + 1), d);
            d.name = spec.left(blank);
            cols.push_back(d);
        }
        m_table = std::make_shared<qv::db::ResultTable>(cols);
    }
    void Add(const QVariantList& values)
    {
        for (int c = 0; c < m_table->columnCount(); ++c)
            m_table->appendCell(c, qv::db::toCell(m_table->columns()[size_t(c)], values.value(c)));
        m_table->endRow();
    }
    void Open()
    {
        SetTable(m_table);
        qv::db::DataSet::Open();
    }

private:
    std::shared_ptr<qv::db::ResultTable> m_table;
};

inline QString exportFile(const QString& name)
{
    QDir().mkpath(testHome() + "/export");
    return testHome() + "/export/" + name;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace qvtest
