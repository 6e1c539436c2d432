#pragma once
// Tables of the sales database on the scripted session, answered as the table window's load asks
// for them (version 15 forms): the table, its columns, default names, key, storage and the
// constraints its CREATE script reads. Each table is told apart by the bound names.
#include "tables/define_session_helper.h"

#include <QVariantList>

namespace qvtest {

struct TableColumnRow {
    QString name;
    QString type;
    QString maxLength; // "" for none
    bool nullable = true;
    bool identity = false;
    bool primary = false;
    int scale = 0;     // fraction digits of datetime2 and time
};

// The constraint, index and trigger tree of a loaded table: empty.
inline void EmptyConstTree(qv::db::Fixture& f)
{
    f.pattern("select (schema_name\\(b\\.uid\\)|user_name\\(b\\.uid\\)|schema_name\\(schema_id\\)), (b\\.)?name, (b\\.x)?type.*")
        .returns({qv::db::column("s", "sysname"), qv::db::column("name", "sysname"), qv::db::column("xtype", "char(2)"),
                  qv::db::column("d", "int"), qv::db::column("ntype", "varchar(1)")},
                 {});
    f.pattern("select (schema_name\\(b\\.schema_id\\)|(schema|user)_name\\(b\\.uid\\)), a\\.name, indexproperty.*")
        .returns({qv::db::column("s", "sysname"), qv::db::column("name", "sysname"), qv::db::column("u", "int"),
                  qv::db::column("d", "int")},
                 {});
    f.pattern(".*OBJECTPROPERTY\\(id, 'ExecIsTriggerDisabled'\\).*")
        .returns({qv::db::column("s", "sysname"), qv::db::column("name", "sysname"), qv::db::column("a", "int"),
                  qv::db::column("b", "int"), qv::db::column("c", "int"), qv::db::column("d", "int"),
                  qv::db::column("e", "int"), qv::db::column("f", "int")},
                 {});
}

struct TableSession : DefineSession {
    static qv::db::FixtureRule& Params(qv::db::FixtureRule& rule, const QVariantList& params)
    {
        rule.params = params;
        return rule;
    }

    void ConnectSales()
    {
        Connect();
        for (const char* db : {"use [sales]", "use [master]"})
            session->fixture().exact(db);
        qv::db::Fixture& f = session->fixture();
        f.pattern("select dsidx\\.type .*").returns({qv::db::column("type", "nvarchar(2)")}, {{"FG"}});
        f.pattern("select filegroup_name.*").returns({qv::db::column("", "sysname")}, {{"PRIMARY"}});
        f.pattern("select a\\.name colname.*")
            .returns({qv::db::column("colname", "sysname"), qv::db::column("constdefname", "sysname")}, {});
        f.pattern("select (name, definition from sys\\.check_constraints|fk\\.name|k\\.name, c\\.name).*")
            .returns({qv::db::column("name", "sysname")}, {});
        EmptyConstTree(f);
    }

    // dbo.<name> with object id `id` and the columns.
    void AddTable(const QString& name, int id, const QList<TableColumnRow>& columns)
    {
        using qv::db::column;
        qv::db::Fixture& f = session->fixture();
        Params(f.pattern("select a\\.id, cast\\(b\\.value as nvarchar\\((Max|4000)\\)\\).*"), QVariantList{"dbo", name})
        .returns({column("id", "int"), column("comment", "nvarchar(max)"), column("seed", "int"),
                                  column("inc", "int")},
                                 {{id, QVariant(), 1, 1}});
        std::vector<QVariantList> rows;
        QString key;
        for (const TableColumnRow& c : columns) {
            rows.push_back({c.name, c.type, QVariant(), QVariant(), QVariant(),
                            c.maxLength.isEmpty() ? QVariant() : QVariant(c.maxLength), c.nullable ? "Y" : "N",
                            QVariant(), QVariant(), c.identity ? 1 : 0, c.primary ? "Y" : "N", c.scale, QVariant(),
                            QVariant(), QVariant()});
            if (c.primary)
                key = c.name;
        }
        Params(f.pattern("select (cols\\.COLUMN_NAME|col\\.name as COLUMN_NAME).*"), QVariantList{QString::number(id)})
        .returns(
            {column("COLUMN_NAME", "sysname"), column("DATA_TYPE", "nvarchar(128)"), column("CHARACTER_OCTET_LENGTH", "int"),
             column("NUMERIC_PRECISION", "int"), column("NUMERIC_SCALE", "int"), column("CHARACTER_MAXIMUM_LENGTH", "int"),
             column("IS_NULLABLE", "nvarchar(1)"), column("COLUMN_DEFAULT", "nvarchar(4000)"),
             column("comment", "nvarchar(max)"), column("isIdentity", "int"), column("isPrimary", "nvarchar(1)"),
             column("scale", "int"), column("collation", "sysname"), column("masking_function", "nvarchar(4000)"),
             column("computed_definition", "nvarchar(max)")},
            rows);
        std::vector<QVariantList> keyRows;
        if (!key.isEmpty())
            keyRows.push_back({"sales", "dbo", name, key, 1, "PK_" + name});
        Params(f.pattern("EXEC sp_pkeys.*"), QVariantList{"dbo", name})
        .returns({column("TABLE_QUALIFIER", "sysname"), column("TABLE_OWNER", "sysname"),
                                  column("TABLE_NAME", "sysname"), column("COLUMN_NAME", "sysname"),
                                  column("KEY_SEQ", "smallint"), column("PK_NAME", "sysname")},
                                 keyRows);
        Params(f.pattern("select name, type from sys\\.indexes.*"), QVariantList{"dbo", name})
        .returns({column("name", "sysname"), column("type", "int")}, {{"PK_" + name, 1}});
    }
};

} // namespace qvtest
