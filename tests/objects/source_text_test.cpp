// The source windows' text without a window: the header rewrite, the batches with their
// editor lines, the error lines mapped back, and the statements that put back what a
// DROP + CREATE loses.
#include "objects/source_text.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::source;

TEST(SourceText, HeaderRewrite)
{
    const struct {
        Kind kind;
        QString in;
        QString out;
    } cases[] = {
        // lower case with extra blanks: the ON clause starts the next line
        {Kind::Trigger, "create   trigger dbo.t_x on dbo.T for insert as select 1",
         "CREATE TRIGGER [dbo].[t_x]\r\non dbo.T for insert as select 1"},
        // the letters "on" inside a name do not end the header
        {Kind::Trigger, "CREATE TRIGGER trg_Person on Person AFTER UPDATE AS RETURN",
         "CREATE TRIGGER [dbo].[t_x]\r\non Person AFTER UPDATE AS RETURN"},
        // a leading comment that holds the word CREATE stays
        {Kind::Trigger, "/* CREATE TRIGGER old on x */\r\n-- create it\r\nCREATE TRIGGER t\r\nON T FOR DELETE AS RETURN",
         "/* CREATE TRIGGER old on x */\r\n-- create it\r\nCREATE TRIGGER [dbo].[t_x]\r\nON T FOR DELETE AS RETURN"},
        // ON inside a bracketed name or a literal is no header end
        {Kind::Trigger, "CREATE TRIGGER [a on b] ON [T] AS select 'x on y'",
         "CREATE TRIGGER [dbo].[t_x]\r\nON [T] AS select 'x on y'"},
        // a comment right before ON
        {Kind::Trigger, "create trigger t/*c*/ON T AS RETURN", "CREATE TRIGGER [dbo].[t_x]\r\nON T AS RETURN"},
        // procedure parameters: the letters "as" inside GetLastOrders do not end the header
        {Kind::Procedure, "create proc dbo.GetLastOrders @Id int as select 1",
         "CREATE PROCEDURE [dbo].[t_x]\r\n@Id int as select 1"},
        {Kind::Procedure, "CREATE PROC dbo.p AS select 1", "CREATE PROCEDURE [dbo].[t_x]\r\nAS select 1"},
        // options before AS stay
        {Kind::Procedure, "create procedure p with recompile as select 1",
         "CREATE PROCEDURE [dbo].[t_x]\r\nwith recompile as select 1"},
        {Kind::Procedure, "create procedure p\r\n(@a int)\r\nas select @a",
         "CREATE PROCEDURE [dbo].[t_x]\r\n(@a int)\r\nas select @a"},
        {Kind::Procedure, "CREATE OR ALTER PROCEDURE dbo.p AS select 1", "CREATE PROCEDURE [dbo].[t_x]\r\nAS select 1"},
        {Kind::Function, "CREATE FUNCTION dbo.f(@a int) RETURNS int AS BEGIN RETURN @a END",
         "CREATE FUNCTION [dbo].[t_x]\r\n(@a int) RETURNS int AS BEGIN RETURN @a END"},
        {Kind::View, "create view v as select 1 as a", "CREATE VIEW [dbo].[t_x]\r\nas select 1 as a"},
        // a one-line view keeps its body
        {Kind::View, "create view dbo.v with schemabinding as select a from dbo.T",
         "CREATE VIEW [dbo].[t_x]\r\nwith schemabinding as select a from dbo.T"},
        // no CREATE in code, or no header end: unchanged
        {Kind::Trigger, "-- CREATE TRIGGER t ON T", "-- CREATE TRIGGER t ON T"},
        {Kind::Procedure, "select 1", "select 1"},
        {Kind::Trigger, "CREATE TRIGGER t", "CREATE TRIGGER t"},
        // CREATE as part of a word is not the header
        {Kind::Procedure, "select createdate from T", "select createdate from T"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RewriteHeader(c.in, c.kind, "[dbo].[t_x]"), c.out) << c.in.toStdString();
    EXPECT_EQ(RewriteHeader("create view v as select 1", Kind::View, "[dbo].[v]", "ALTER"),
              "ALTER VIEW [dbo].[v]\r\nas select 1");
}

TEST(SourceText, BatchesKnowTheirEditorLine)
{
    const QStringList lines{"use [sales]", "go", "CREATE PROCEDURE [dbo].[p]", "AS", "select ':x'  ", " GO ",
                            "", "go", "GRANT EXECUTE ON [dbo].[p] TO [u1]"};
    const QList<Batch> b = Batches(lines);
    ASSERT_EQ(b.size(), 3);
    EXPECT_EQ(b[0].text, "use [sales]");
    EXPECT_EQ(b[0].firstLine, 0);
    EXPECT_EQ(b[1].text, "CREATE PROCEDURE [dbo].[p]\r\nAS\r\nselect ':x'  "); // as written, blanks kept
    EXPECT_EQ(b[1].firstLine, 2);
    EXPECT_EQ(b[2].text, "GRANT EXECUTE ON [dbo].[p] TO [u1]");
    EXPECT_EQ(b[2].firstLine, 8);
    EXPECT_EQ(TextLines("a\r\nb\nc\rd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_TRUE(TextLines("").isEmpty());
}

TEST(SourceText, ErrorLinesAreMappedToEditorLines)
{
    // A server error on line 5 of the batch that starts on editor row 2 is line 7 of the editor.
    const QStringList items = ErrorItems(QString::fromUtf8("行番号 5: 'x' 付近に不適切な構文があります。\r\n\r\nsecond line\nlast"));
    EXPECT_EQ(items.size(), 4);
    EXPECT_EQ(MapErrorLines(items, 2),
              QStringList({QString::fromUtf8("行番号7: 'x' 付近に不適切な構文があります。"), "", "second line", "last"}));
    // The server's line numbers come with the records.
    EXPECT_EQ(NumberErrorItems({"a", "b"}, {5, 0}), QStringList({QString::fromUtf8("行番号 5: a"), "b"}));
    EXPECT_EQ(NumberErrorItems({"a", "b"}, {5}), QStringList({"a", "b"}));
    EXPECT_EQ(MapErrorLines(NumberErrorItems({"x: y"}, {5}), 2), QStringList({QString::fromUtf8("行番号7: x: y")}));
    const struct {
        QString item;
        int line;
        int row;
    } cases[] = {
        {QString::fromUtf8("行番号7: x"), 7, 6},
        {"Msg: no number", 0, 0},
        {"no colon", 0, 0},
        {QString::fromUtf8("行番号 999: past the end"), 999, 9},
        {QString::fromUtf8("行番号-3: negative"), -3, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorItemLine(c.item), c.line) << c.item.toStdString();
        EXPECT_EQ(ErrorItemRow(c.item, 9), c.row) << c.item.toStdString();
    }
}

TEST(SourceText, ReadingQueriesByVersion)
{
    EXPECT_EQ(SourceQuery(15, false, "sales"),
              "use [sales]\r\nselect definition from sys.sql_modules where object_id = object_id(:NAME)");
    EXPECT_EQ(SourceQuery(12, true, "sales"),
              "use [sales]\r\nselect definition from sys.sql_modules where object_id = object_id(:NAME)");
    // pieces with their stored length: never len(), which drops blanks at the piece's end
    const QString v8 = SourceQuery(8, false, "sales");
    EXPECT_TRUE(v8.contains("datalength(text) / 2")) << v8.toStdString();
    EXPECT_FALSE(v8.contains("len(")) << v8.toStdString();
}

TEST(SourceText, StatementsThatPutBackWhatARecreateLoses)
{
    EXPECT_EQ(AddPropertyStatement(15, Kind::Procedure, "dbo", "p", "", false, "MS_Description", "It's"),
              "EXEC sp_addextendedproperty @name = N'MS_Description', @value = N'It''s', @level0type = N'SCHEMA', "
              "@level0name = N'dbo', @level1type = N'PROCEDURE', @level1name = N'p'");
    EXPECT_EQ(AddPropertyStatement(8, Kind::Trigger, "dbo", "t", "V", true, "n", "v"),
              "EXEC sp_addextendedproperty @name = N'n', @value = N'v', @level0type = N'USER', @level0name = N'dbo', "
              "@level1type = N'VIEW', @level1name = N'V', @level2type = N'TRIGGER', @level2name = N't'");
    EXPECT_EQ(DisableTriggerStatement(15, "dbo", "t]x", "T"), "DISABLE TRIGGER [dbo].[t]]x] ON [dbo].[T]");
    EXPECT_EQ(DisableTriggerStatement(8, "dbo", "t", "T"), "ALTER TABLE [dbo].[T] DISABLE TRIGGER [t]");
    EXPECT_EQ(PropertyQuery(15, Kind::Trigger, false, "sales"),
              "use [sales]\r\nselect name, convert(nvarchar(4000), value) from sys.fn_listextendedproperty(NULL, "
              "N'SCHEMA', :OWNER, N'TABLE', :PARENT, N'TRIGGER', :NAME) order by name");
    EXPECT_EQ(PropertyQuery(8, Kind::Function, false, "sales"),
              "use [sales]\r\nselect name, convert(nvarchar(4000), value) from ::fn_listextendedproperty(NULL, "
              "N'USER', :OWNER, N'FUNCTION', :NAME, NULL, NULL) order by name");
    Keep k;
    k.permissions = {"GRANT EXECUTE ON [dbo].[p] TO [u1]"};
    k.properties = {"EXEC sp_addextendedproperty x"};
    k.disableTrigger = "DISABLE TRIGGER y";
    EXPECT_EQ(k.Statements(), QStringList({"GRANT EXECUTE ON [dbo].[p] TO [u1]", "EXEC sp_addextendedproperty x",
                                           "DISABLE TRIGGER y"}));
}
