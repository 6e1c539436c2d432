#pragma once
// Catalog answers for the table window's constraint, index and trigger tree of dbo.T in sales:
// the key PK_T (id), the foreign key FK_T_P (parent_id → dbo.P(id)), a default (not listed), the
// switched-off check CK_T_qty, the key's own index PK_T, IX_T_code (code, qty with note included),
// the switched-off IX_T_parent (parent_id). The trigger rows come from the table window's own
// fixture. Reads the rules below do not know answer with no rows.
#include "platform/db/fixture.h"

namespace qvtest {

inline void ConstTreeFixture(qv::db::Fixture& f)
{
    using qv::db::column;
    const auto name = [] { return std::vector<qv::db::ColumnDesc>{column("name", "sysname")}; };
    f.pattern("select (schema_name\\(b\\.uid\\)|user_name\\(b\\.uid\\)|schema_name\\(schema_id\\)), (b\\.)?name, (b\\.x)?type.*")
        .returns({column("s", "sysname"), column("name", "sysname"), column("xtype", "char(2)"), column("d", "int"),
                  column("ntype", "varchar(1)")},
                 {{"dbo", "PK_T", "PK", 0, "0"}, {"dbo", "FK_T_P", "F ", 0, "1"}, {"dbo", "DF_T_code", "D ", 0, "4"},
                  {"dbo", "CK_T_qty", "C ", 1, "3"}});
    const QString keys = QStringLiteral("select COLUMN_NAME from INFORMATION_SCHEMA\\.KEY_COLUMN_USAGE .*");
    f.pattern(keys).returns({column("COLUMN_NAME", "sysname")}, {{"id"}}).params = QVariantList{"PK_T", "dbo"};
    f.pattern(keys).returns({column("COLUMN_NAME", "sysname")}, {{"parent_id"}}).params = QVariantList{"FK_T_P", "dbo"};
    f.pattern("select d\\.UNIQUE_CONSTRAINT_NAME.*")
        .returns({column("k", "sysname"), column("s", "sysname"), column("t", "sysname")}, {{"PK_P", "dbo", "P"}})
        .params = QVariantList{"FK_T_P"};
    f.pattern("select b\\.name from (sys\\.indexes|sysindexes) a.*").returns(name(), {{"id"}}).params =
        QVariantList{"[dbo].[P]", "PK_P"};
    f.pattern("select CHECK_CLAUSE .*")
        .returns({column("CHECK_CLAUSE", "nvarchar(4000)")}, {{"([qty]>=(-1))"}, {"([qty]>=(0))"}});
    f.pattern("select (schema_name\\(b\\.schema_id\\)|(schema|user)_name\\(b\\.uid\\)), a\\.name, indexproperty.*")
        .returns({column("s", "sysname"), column("name", "sysname"), column("u", "int"), column("d", "int")},
                 {{"dbo", "PK_T", 1, 0}, {"dbo", "IX_T_code", 0, 0}, {"dbo", "IX_T_parent", 0, 1}, {"dbo", "T", 0, 0}});
    const QString keyColumns = QStringLiteral(
        "select b\\.name from (sys\\.index_columns a.*is_included_column = 0 .*|dbo\\.sysindexes a.*)");
    f.pattern(keyColumns).returns(name(), {{"code"}, {"qty"}}).params = QVariantList{"dbo", "T", "IX_T_code"};
    f.pattern(keyColumns).returns(name(), {{"parent_id"}}).params = QVariantList{"dbo", "T", "IX_T_parent"};
    f.pattern("select b\\.name from sys\\.index_columns a.*is_included_column = 1 .*").returns(name(), {{"note"}}).params =
        QVariantList{"dbo", "T", "IX_T_code"};
    f.pattern("select (b\\.name from (sys\\.index_columns|dbo\\.sysindexes|sys\\.indexes|sysindexes)|COLUMN_NAME from"
              " INFORMATION_SCHEMA|d\\.UNIQUE_CONSTRAINT_NAME).*")
        .returns(name(), {});
}

} // namespace qvtest
