#include "sql/sql_template.h"
#include "sql/template_window.h"

#include "support/modal_helper.h"

#include "platform/textcodec.h"

#include <QFile>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;

namespace {
const QStringList Lines = {
    "【 TOP 】", "top level",
    "%%%DML",
    "【 A 】", "select <B> from t", "where <b> and <nothing>",
    "【 B 】", "see <A>",
    "【 C 】", "update x",
    "%%%DDL",
    "【 D 】", "create table <C>",
};

QStringList names(const TemplateDoc& doc, const QList<int>& items)
{
    QStringList out;
    for (int i : items)
        out << doc.Items()[i].name;
    return out;
}
} // namespace

TEST(SqlTemplate, CrossReferencesShowEachItemOnce)
{
    const TemplateDoc doc(Lines);
    EXPECT_EQ(names(doc, doc.Collect(doc.Find("a"))), (QStringList{"A", "B"}));
    EXPECT_EQ(doc.DisplayLines(doc.Find("A")),
              (QStringList{"【 A 】", "select <B> from t", "where <b> and <nothing>", "【 B 】", "see <A>"}));
    EXPECT_EQ(names(doc, doc.Collect(doc.Find("C"))), QStringList{"C"});
}

TEST(SqlTemplate, FindNarrowsTheTreeWithoutRegardToCase)
{
    const TemplateDoc doc(Lines);
    const auto all = doc.Tree("");
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(names(doc, all[0].items), QStringList{"TOP"});
    EXPECT_EQ(all[1].name, "DML");
    EXPECT_EQ(names(doc, all[1].items), (QStringList{"A", "B", "C"}));
    // "UPDATE" is in C, and in D only through its reference to C.
    const auto found = doc.Tree("Update");
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(names(doc, found[1].items), QStringList{"C"});
    EXPECT_EQ(names(doc, found[2].items), QStringList{"D"});
    EXPECT_EQ(names(doc, found[0].items), QStringList{"TOP"});
}

TEST(SqlTemplate, FilesReadByTheirMarkOrAsCp932)
{
    QTemporaryDir dir;
    const QString text = "【 選択 】\r\nselect * from 表\r\n";
    const struct { const char* name; QByteArray bytes; } files[] = {
        {"sjis.tpl", TextEncoding::get(TextEncoding::Ansi).encode(text)},
        {"u8.tpl", QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
        {"u16.tpl", TextEncoding::get(TextEncoding::Utf16LE).preamble() + TextEncoding::get(TextEncoding::Utf16LE).encode(text)},
    };
    for (const auto& f : files) {
        QFile out(dir.filePath(f.name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(f.bytes);
        out.close();
        EXPECT_EQ(ReadTemplateLines(out.fileName()), (QStringList{"【 選択 】", "select * from 表"})) << f.name;
    }
    EXPECT_EQ(TemplateVersions(dir.path()), (QStringList{"SJIS", "U16", "U8"}));
}

TEST(SqlTemplate, ShippedTemplatesHoldTheirItemsAndEveryReferenceResolves)
{
    const QString folder = QStringLiteral(QORVEL_SOURCE_DIR "/data/templates");
    ASSERT_FALSE(TemplateVersions(folder).isEmpty());
    const TemplateDoc doc(ReadTemplateLines(folder + "/T-SQL.tpl"));
    for (const char* name : {"SELECT", "INSERT", "UPDATE", "DELETE", "MERGE", "CREATE TABLE", "ALTER TABLE", "CREATE INDEX",
                             "CREATE VIEW", "CREATE PROCEDURE", "CREATE FUNCTION", "CREATE TRIGGER", "トランザクション",
                             "TRY...CATCH", "カーソル", "文字列関数", "日付関数"})
        EXPECT_GE(doc.Find(name), 0) << name;
    for (int i = 0; i < doc.Items().size(); ++i) {
        EXPECT_FALSE(doc.Items()[i].name.isEmpty());
        for (const QString& line : doc.ItemLines(i).mid(1)) {
            qsizetype from = 0;
            while ((from = line.indexOf('<', from)) >= 0) {
                const qsizetype end = line.indexOf('>', from);
                ASSERT_GT(end, from) << line.toStdString();
                EXPECT_GE(doc.Find(line.mid(from + 1, end - from - 1)), 0) << line.toStdString();
                from = end + 1;
            }
        }
    }
    // The cursor template pulls in SELECT and WHILE, each once.
    const QList<int> shown = doc.Collect(doc.Find("カーソル"));
    EXPECT_EQ(shown.size(), QSet<int>(shown.begin(), shown.end()).size());
    EXPECT_TRUE(shown.contains(doc.Find("WHILE")));
}

TEST(TemplateWindow, FindBoxNarrowsTheTreeAndShowsTheFirstMatch)
{
    QTemporaryDir dir;
    QFile f(dir.filePath("2019.tpl"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\xEF\xBB\xBF") + (Lines.join("\r\n") + "\r\n").toUtf8());
    f.close();
    TfrmTemplate w(dir.path(), " update ");
    EXPECT_FALSE(w.cmbVersion->isVisibleTo(&w)); // one file: no version choice
    EXPECT_EQ(w.txtFind->text(), "UPDATE");
    ASSERT_EQ(w.lstTemplate->topLevelItemCount(), 3);
    EXPECT_EQ(w.lstTemplate->topLevelItem(1)->childCount(), 1);
    EXPECT_EQ(w.lstTemplate->topLevelItem(2)->child(0)->text(0), "D");
    w.txtFind->setText("");
    w.BuildTree();
    EXPECT_EQ(w.lstTemplate->topLevelItem(1)->childCount(), 3);
    EXPECT_TRUE(w.ShownLines().isEmpty());
    w.lstTemplate->setCurrentItem(w.lstTemplate->topLevelItem(1)->child(0));
    EXPECT_EQ(w.ShownLines(), (QStringList{"【 A 】", "select <B> from t", "where <b> and <nothing>", "【 B 】", "see <A>"}));
    w.resize(640, 360);
    w.show();
    EXPECT_FALSE(qvtest::saveGrab(&w, "template_window").isEmpty());
}
