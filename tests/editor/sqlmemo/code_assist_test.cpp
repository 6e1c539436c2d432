#include "editor/sqlmemo/code_assist.h"
#include "memo_helper.h"
#include "platform/messages.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

using namespace qv;
using namespace memotest;

namespace {
// Stands in for the code-assist provider: answers WM_CODEASSIST with a list of the given names.
class TestHost : public QWidget {
public:
    QStringList names;
    QStringList reserved;
    bool quote = true;
    int requests = 0;
    TqvMemo* memo = nullptr;
    bool event(QEvent* e) override
    {
        if (e->type() == messageEventType(WM_CODEASSIST)) {
            ++requests;
            auto* m = static_cast<MessageEvent*>(e);
            if (memo->CodeAssist)
                return true;
            auto* list = new TqvCodeAssist(memo, this, int(m->wParam()), int(m->lParam()));
            memo->CodeAssist = list;
            list->RWTable = reserved;
            list->UseBQuote = quote;
            list->setColumnCount(2);
            list->setHeaderLabels({QStringLiteral("オブジェクト名"), QStringLiteral("タイプ")});
            list->setColumnWidth(0, memo->CASize.ColumnWidth[0]);
            list->setColumnWidth(1, memo->CASize.ColumnWidth[1]);
            for (const QString& n : names) {
                list->CaptionList << n;
                list->SubItemList << QStringLiteral("TABLE");
                list->ImageList.push_back(45);
            }
            const QString token = memo->GetCodeAssistToken();
            const qsizetype dot = token.lastIndexOf(u'.');
            list->SetBuffer(dot >= 0 ? token.mid(dot + 1) : token);
            list->ShowItems();
            list->Present();
            return true;
        }
        return QWidget::event(e);
    }
};

struct Fixture {
    TestHost host;
    TqvMemo* memo;
    explicit Fixture(const QString& text)
    {
        host.resize(700, 400);
        memo = new TqvMemo(&host);
        host.memo = memo;
        memo->setGeometry(0, 0, 700, 400);
        memo->Lines().SetTextStr(text);
        host.show();
    }
};
} // namespace

TEST(CompletionList, AcceptReplacesTheWordAroundTheCaret)
{
    Fixture f(QStringLiteral("select * from custo"));
    f.host.names = {QStringLiteral("customer"), QStringLiteral("customers"), QStringLiteral("orders")};
    f.host.quote = false;
    f.memo->Lines().SetTextStr(QStringLiteral("select * from customer x"));
    f.memo->SetRowCol(0, 19); // custo|mer
    Key(*f.memo, Qt::Key_Space, Qt::ControlModifier, QStringLiteral(" "));
    ASSERT_EQ(f.host.requests, 1);
    ASSERT_TRUE(f.memo->CodeAssist);
    TqvCodeAssist* list = f.memo->CodeAssist;
    EXPECT_EQ(list->topLevelItemCount(), 2); // filtered by "custo"
    list->setCurrentItem(list->topLevelItem(1));
    list->HandleChar(QChar(9), Qt::NoModifier);
    EXPECT_FALSE(f.memo->CodeAssist);
    EXPECT_EQ(f.memo->Lines().GetTextStr(), QStringLiteral("select * from customers\t x"));
}

TEST(CompletionList, QuotingAndReservedWords)
{
    EXPECT_EQ(CodeAssistQuotedName(QStringLiteral("my table"), {}, true), QStringLiteral("[my table]"));
    EXPECT_EQ(CodeAssistQuotedName(QStringLiteral("a]b"), {}, true), QStringLiteral("[a]]b]"));
    EXPECT_EQ(CodeAssistQuotedName(QStringLiteral("[x]; drop table t--"), {}, true),
              QStringLiteral("[[x]]; drop table t--]"));
    EXPECT_EQ(CodeAssistQuotedName(QStringLiteral("SELECT"), {QStringLiteral("SELECT")}, true), QStringLiteral("SELECT"));
    EXPECT_EQ(CodeAssistQuotedName(QStringLiteral("Orders"), {}, false), QStringLiteral("Orders"));
    EXPECT_EQ(CodeAssistQuotedName(QStringLiteral("my table"), {}, false), QStringLiteral("[my table]"));

    // A lone candidate is inserted without showing the list.
    Fixture f(QStringLiteral("from my"));
    f.host.names = {QStringLiteral("my table"), QStringLiteral("other")};
    f.memo->SetRowCol(0, 7);
    f.memo->SendCodeAssist(f.memo->GetCaretPixelPos());
    EXPECT_FALSE(f.memo->CodeAssist);
    EXPECT_EQ(f.memo->Lines().GetTextStr(), QStringLiteral("from [my table]"));
}

TEST(CompletionList, LazyLoadingAndClosingKeys)
{
    Fixture f{QString()};
    for (int i = 0; i < 500; ++i)
        f.host.names << QStringLiteral("t%1").arg(i, 3, 10, QChar(u'0'));
    f.memo->SendCodeAssist(f.memo->GetCaretPixelPos());
    ASSERT_TRUE(f.memo->CodeAssist);
    TqvCodeAssist* list = f.memo->CodeAssist;
    EXPECT_EQ(list->topLevelItemCount(), 100);
    list->HandleKey(Qt::Key_PageDown, Qt::NoModifier);
    EXPECT_EQ(list->topLevelItemCount(), 108);
    Key(*list, Qt::Key_End);
    EXPECT_EQ(list->topLevelItemCount(), 500);
    // Typing filters and reaches the editor; Backspace on an empty filter closes the list.
    list->HandleChar(QChar(u't'), Qt::NoModifier);
    list->HandleChar(QChar(u'4'), Qt::NoModifier);
    EXPECT_EQ(list->topLevelItemCount(), 100);
    EXPECT_EQ(list->CaptionListW.size(), 100);
    EXPECT_EQ(f.memo->Lines().GetTextStr(), QStringLiteral("t4"));
    list->HandleChar(QChar(8), Qt::NoModifier);
    list->HandleChar(QChar(8), Qt::NoModifier);
    ASSERT_TRUE(f.memo->CodeAssist);
    list->HandleChar(QChar(8), Qt::NoModifier);
    EXPECT_FALSE(f.memo->CodeAssist);
    EXPECT_EQ(f.memo->Lines().GetTextStr(), QString());
    // A full stop with no item selected closes the list and only types the full stop.
    f.memo->SendCodeAssist(f.memo->GetCaretPixelPos());
    list = f.memo->CodeAssist;
    ASSERT_TRUE(list);
    list->clearSelection();
    list->setCurrentItem(nullptr);
    list->HandleChar(QChar(u'.'), Qt::NoModifier);
    EXPECT_FALSE(f.memo->CodeAssist);
    EXPECT_EQ(f.memo->Lines().GetTextStr(), QStringLiteral("."));
}

TEST(CompletionList, ClosingTheWindowWhileWaitingIsSafe)
{
    auto* host = new TestHost;
    auto* memo = new TqvMemo(host);
    host->memo = memo;
    host->names = {QStringLiteral("a1"), QStringLiteral("a2")};
    host->show();
    memo->CodeAssistCallOfDot = true;
    memo->CodeAssistDelayShow = true;
    memo->CodeAssistDelayTime = 50;
    // The window goes away while the editor waits after ".".
    QTimer::singleShot(0, host, [host] { host->deleteLater(); });
    QPointer<TestHost> guard(host);
    memo->EditKeyChar(QChar(u'.'), Qt::NoModifier);
    EXPECT_TRUE(guard.isNull());
}

TEST(CompletionList, TokenBeforeTheCaret)
{
    auto memo = MakeMemo(QString());
    const struct {
        const char* text;
        int col;
        const char* want;
    } cases[] = {
        {"select * from dbo.cu", 20, "dbo.cu"}, {"where x = ", 10, ""},  {"a .", 3, "."},
        {"from [my ta", 11, "ta"}, {"x [dbo].[t", 10, "[dbo].[t"},          {"sel", 3, "sel"},        {"", 0, ""},
    };
    for (const auto& c : cases) {
        memo->Lines().SetTextStr(QString::fromUtf8(c.text));
        memo->SetRowCol(0, c.col);
        EXPECT_EQ(memo->GetCodeAssistToken(), QString::fromUtf8(c.want)) << c.text;
    }
}

TEST(CompletionList, EveryWayOfScrollingLoadsTheRowsItShows)
{
    // Drag of the thumb, a click in the track below it, and the scroll bar's own jump to the end.
    const std::vector<std::function<void(QScrollBar*)>> moves = {
        [](QScrollBar* sb) {
            sb->setSliderDown(true);
            sb->setSliderPosition(sb->maximum());
            sb->setSliderDown(false);
        },
        [](QScrollBar* sb) { sb->triggerAction(QAbstractSlider::SliderPageStepAdd); },
        [](QScrollBar* sb) { sb->triggerAction(QAbstractSlider::SliderToMaximum); },
    };
    for (size_t m = 0; m < moves.size(); ++m) {
        SCOPED_TRACE(m);
        Fixture f{QString()};
        for (int i = 0; i < 500; ++i)
            f.host.names << QStringLiteral("t%1").arg(i, 3, 10, QChar(u'0'));
        f.memo->SendCodeAssist(f.memo->GetCaretPixelPos());
        ASSERT_TRUE(f.memo->CodeAssist);
        TqvCodeAssist* list = f.memo->CodeAssist;
        EXPECT_EQ(list->topLevelItemCount(), 100);
        QScrollBar* sb = list->verticalScrollBar();
        for (int step = 0; step < 600 && list->topLevelItemCount() < 500; ++step) {
            moves[m](sb);
            // The rows in view are loaded, and more stand ready below them while any are left.
            const QModelIndex bottom = list->indexAt(QPoint(1, list->viewport()->height() - 1));
            ASSERT_TRUE(bottom.isValid());
            ASSERT_LT(bottom.row() + 1, list->topLevelItemCount()) << "step " << step;
        }
        EXPECT_EQ(list->topLevelItemCount(), 500);
        sb->triggerAction(QAbstractSlider::SliderToMaximum);
        EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->topLevelItem(499))));
        EXPECT_EQ(list->topLevelItem(499)->text(0), QStringLiteral("t499"));
    }
}
