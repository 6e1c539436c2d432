// Offscreen pictures of the find and replace dialogs and the completion list; with
// QORVEL_EDSQL_PNG_DIR set they are saved there.
#include "editor/search/search_dialogs.h"
#include "editor/sqlmemo/code_assist.h"
#include "memo_helper.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace qv;
using namespace memotest;

namespace {
void Save(QWidget& w, const QString& name)
{
    const QImage img = w.grab().toImage();
    EXPECT_GT(img.width(), 100);
    EXPECT_GT(img.height(), 60);
    const QString dir = qEnvironmentVariable("QORVEL_EDSQL_PNG_DIR");
    if (!dir.isEmpty())
        img.save(QDir(dir).filePath(name));
}
} // namespace

TEST(EditorRender, DialogsAndCompletionList)
{
    TfrmEditSearchBase::ShowHook = [](TfrmEditSearchBase* d) {
        d->cmbSearch->setEditText(QStringLiteral("customer"));
        Save(*d, d->cmbReplace ? QStringLiteral("replace_dialog.png") : QStringLiteral("search_dialog.png"));
        // Every button fits its caption.
        for (QPushButton* b : d->findChildren<QPushButton*>())
            EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
        d->btnCancel->click();
    };
    QString s, r;
    TSearchOptions o = 0;
    bool a = false, b = false;
    TfrmEditSearch::Execute(s, o, a, b);
    TfrmEditReplace::Execute(s, r, a, b, o);
    TfrmEditSearchBase::ShowHook = nullptr;

    QWidget host;
    host.resize(640, 360);
    auto* memo = new TqvMemo(&host);
    memo->setGeometry(0, 0, 640, 360);
    memo->Lines().SetTextStr(QStringLiteral("select *\r\n  from dbo.cu"));
    host.show();
    memo->SetRowCol(1, 13);
    auto* list = new TqvCodeAssist(memo, &host, memo->GetCaretPixelPos().x(), memo->GetCaretPixelPos().y());
    memo->CodeAssist = list;
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("オブジェクト名"), QStringLiteral("タイプ")});
    list->setColumnWidth(0, memo->CASize.ColumnWidth[0]);
    list->setColumnWidth(1, memo->CASize.ColumnWidth[1]);
    for (const char* n : {"customer", "customer_address", "customer_order", "cust_view", "顧客マスタ"}) {
        list->CaptionList << QString::fromUtf8(n);
        list->SubItemList << QStringLiteral("TABLE");
        list->ImageList.push_back(45);
    }
    list->SetBuffer(QStringLiteral("cu"));
    list->ShowItems();
    list->Present();
    EXPECT_TRUE(list->isVisible());
    EXPECT_GE(list->geometry().top(), memo->GetCaretPixelPos().y());
    Save(host, QStringLiteral("completion_list.png"));
}
