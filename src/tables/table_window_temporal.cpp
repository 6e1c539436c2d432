// The table window's system-versioning page: load, checks, change statements and buttons (the
// text in table_temporal_text.*, the controls in table_temporal_page.*).
#include "tables/table_window.h"

#include "app/connection_window_iface.h"
#include "app/message_box.h"
#include "app/qvstrings.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "platform/exceptions.h"
#include "sql/table_list_window.h"
#include "tables/table_queries.h"
#include "tables/data_page.h"
#include "tables/table_temporal_page.h"
#include "tables/table_temporal_text.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QTabWidget>

namespace qv {

using namespace table;

void TfrmTable::LoadTemporal()
{
    if (!pnlTmp->Schemas)
        pnlTmp->Schemas = [this] {
            QStringList list;
            Session()->GetUser(list, Database(), false);
            return list;
        };
    // The data page offers FOR SYSTEM_TIME only on a system-versioned table.
    if (fraDataPage)
        fraDataPage->SetVersioned(false);
    if (Version() < 13 || IsNew()) {
        pnlTmp->Clear();
        return;
    }
    const QSignalBlocker block(pagObject);
    const int page = pagObject->indexOf(tabTemporal);
    QList<QVariantList> rows;
    try {
        rows = Rows(Session()->Use(Database()) + TemporalQuery(), {m_tableId});
    } catch (const std::exception&) {
        // A setting that cannot be read is not shown, so that no apply works from a wrong state.
        pnlTmp->Clear();
        pagObject->setTabVisible(page, false);
        return;
    }
    const QVariantList row = rows.isEmpty() ? QVariantList() : rows.first();
    // A history table has no versioning of its own.
    pagObject->setTabVisible(page, TemporalType(row) != 1);
    if (fraDataPage)
        fraDataPage->SetVersioned(TemporalType(row) == 2);
    pnlTmp->Load(rows.isEmpty() ? TemporalSettings{} : TemporalFromRow(row));
}

void TfrmTable::CheckTemporalSettings()
{
    const QWidget* page = pagObject->currentWidget();
    const bool otherPage = page != tabTemporal && page->objectName() != u"tabGrant";
    const auto failure = table::CheckTemporalSettings(!IsNew(), otherPage, Schema(), TableName(), pnlTmp->Settings(),
                                                      GridModel().columns);
    if (!failure)
        return;
    using F = TemporalCheckFailure;
    if (failure->page != F::Page::Current) {
        const QSignalBlocker block(pagObject);
        pagObject->setCurrentWidget(failure->page == F::Page::Temporal ? tabTemporal : tabDefine);
    }
    QWidget* focus = nullptr;
    switch (failure->focus) {
    case F::Focus::HistoryTable: focus = pnlTmp->txtTmpHistTblName; break;
    case F::Focus::StartColumn: focus = pnlTmp->cmbTmpHistStartCol; break;
    case F::Focus::EndColumn: focus = pnlTmp->cmbTmpHistEndCol; break;
    case F::Focus::None: break;
    }
    Warn(failure->message, focus);
}

void TfrmTable::GetTemporalScript(QStringList& lines)
{
    WaitCursor cursor;
    const QString database = Database(), schema = Schema(), name = TableName();
    TemporalChange change{database, schema, name, pnlTmp->Settings(), pnlTmp->Loaded(), GridModel().columns};
    TemporalLookups look;
    look.versionedNow = [&] {
        const QList<QVariantList> r = Rows(Session()->Use(database) + TemporalTypeQuery(), {schema, name});
        return !r.isEmpty() && r.first().value(0).toString().trimmed() == u"2";
    };
    look.defaultConstraints = [&](const QString& start, const QString& end) {
        QStringList names;
        const QString table = QuoteIdentifier(schema, true) + u'.' + QuoteIdentifier(name, true);
        for (const QVariantList& r : Rows(Session()->Use(database) + PeriodDefaultsQuery(Azure()), {table, start, end}))
            if (!r.value(0).toString().isEmpty())
                names << r.value(0).toString();
        return names;
    };
    look.askDropPeriod = [] {
        return Box(QStringLiteral("期間列の設定を削除しますか？\r\n"
                                  "(削除した場合はテンポラルテーブルとして再作成する際に期間列の再設定が必要になります。)"),
                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    };
    look.askRecreateColumns = [] {
        return Box(QStringLiteral("期間列に指定した項目を一度削除する必要があります。\r\n項目を削除して再作成しますか？"),
                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    };
    if (!AppendTemporalScript(lines, change, look))
        Abort();
}

void TfrmTable::btnTmpHistTblSelectClick()
{
    const QString schema = pnlTmp->cmbTmpHistSchema->currentText();
    QStringList chosen;
    TfrmTableList::ShowWindow(Session(), chosen, this, Database(), schema.isEmpty() ? Schema() : schema);
    if (chosen.size() == 2) {
        pnlTmp->SelectSchema(chosen.at(0));
        pnlTmp->txtTmpHistTblName->setText(chosen.at(1));
    } else if (chosen.size() == 1) {
        pnlTmp->txtTmpHistTblName->setText(chosen.at(0));
    }
}

void TfrmTable::btnTmpHistTblOpenClick()
{
    const QString schema = pnlTmp->cmbTmpHistSchema->currentText();
    const QString table = pnlTmp->txtTmpHistTblName->text();
    if (schema.isEmpty())
        Warn(QStringLiteral("所有者を入力してください。"), pnlTmp->cmbTmpHistSchema);
    if (table.isEmpty())
        Warn(QStringLiteral("テーブル名を入力してください。"), pnlTmp->txtTmpHistTblName);
    if (IConnectionWindow* conn = OwnerForm())
        conn->OpenObject(45, Database(), schema, table, omData, true, 0, QString());
}

} // namespace qv
