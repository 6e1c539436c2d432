#include "tables/data_page.h"

#include "app/application.h"
#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/pickers.h"
#include "app/textfiles.h"
#include "connection/object_session.h"
#include "controls/grid/string_grid.h"
#include "controls/inputs/inputs.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_frame.h"
#include "tools/data_generate_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QSplitter>
#include <QTimeEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace qv {

using namespace datapage;

std::function<void(const QString&)> TfraDataPage::ClipboardHook;

namespace {
const int GridWidths[WhereColCount] = {200, 120, 120, 120, 120, 120, 80};
} // namespace

TfraDataPage::TfraDataPage(TfrmDefine* window, Window kind, std::function<QList<Column>()> columns, QWidget* parent)
    : QWidget(parent), m_window(window), m_kind(kind), m_columns(std::move(columns))
{
    setObjectName(QStringLiteral("fraDataPage"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    splWhere = new QSplitter(Qt::Vertical, this);
    splWhere->setObjectName(QStringLiteral("splWhere"));
    splWhere->setChildrenCollapsible(false);
    page->addWidget(splWhere);

    pnlWhere = new QWidget(splWhere);
    pnlWhere->setObjectName(QStringLiteral("pnlWhere"));
    auto* where = new QHBoxLayout(pnlWhere);
    where->setContentsMargins(0, 0, 0, 0);
    where->setSpacing(2);
    tolField = new QToolBar(pnlWhere);
    tolField->setObjectName(QStringLiteral("tolField"));
    tolField->setIconSize(QSize(16, 16));
    const auto add = [this](int image, const QString& hint, const char* name) {
        QAction* a = tolField->addAction(imgMain(image), hint);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        return a;
    };
    btnExec = add(28, QStringLiteral("データを表示"), "btnExec");
    btnField = add(12, QStringLiteral("表示項目の指定"), "btnField");
    btnWhere = add(96, QStringLiteral("抽出条件・ソート順設定"), "btnWhere");
    btnWhere->setCheckable(true);
    btnGrdWhereClear = add(136, QStringLiteral("抽出条件・ソート順設定クリア"), "btnGrdWhereClear");
    btnExecSQL = add(10, QStringLiteral("指定した条件のSELECT文をクリップボードに出力"), "btnExecSQL");
    const auto guarded = [](auto f) {
        return [f] {
            try {
                f();
            } catch (...) {
                HandleException(std::current_exception());
            }
        };
    };
    connect(btnExec, &QAction::triggered, this, guarded([this] { m_window->Reload(); }));
    connect(btnField, &QAction::triggered, this, guarded([this] { btnFieldClick(); }));
    connect(btnWhere, &QAction::triggered, this, guarded([this] { btnWhereClick(); }));
    connect(btnGrdWhereClear, &QAction::triggered, this, guarded([this] { btnGrdWhereClearClick(); }));
    connect(btnExecSQL, &QAction::triggered, this, guarded([this] { btnExecSQLClick(); }));
    tolField->setMinimumWidth(tolField->sizeHint().width()); // never folded into its extension menu
    where->addWidget(tolField, 0, Qt::AlignTop);

    pnlWhere2 = new QWidget(pnlWhere);
    pnlWhere2->setObjectName(QStringLiteral("pnlWhere2"));
    auto* right = new QVBoxLayout(pnlWhere2);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(2);
    where->addWidget(pnlWhere2, 1);

    // Condition bar.
    pnlWhere3 = new QWidget(pnlWhere2);
    pnlWhere3->setObjectName(QStringLiteral("pnlWhere3"));
    auto* bar = new QHBoxLayout(pnlWhere3);
    bar->setContentsMargins(2, 0, 2, 0);
    auto* lblWhere = new QLabel(QStringLiteral(" 条件"), pnlWhere3);
    cmbWhere = new TqvComboBox(pnlWhere3);
    cmbWhere->setObjectName(QStringLiteral("cmbWhere"));
    cmbWhere->setEditable(true);
    cmbWhere->setMaxVisibleItems(20);
    cmbWhere->setCompleter(nullptr);
    cmbWhere->setInsertPolicy(QComboBox::NoInsert);
    cmbWhere->keys.wantReturns = false;
    cmbWhere->setMinimumContentsLength(20);
    cmbWhere->installEventFilter(this);
    if (cmbWhere->lineEdit())
        cmbWhere->lineEdit()->installEventFilter(this);
    lblWhere->setBuddy(cmbWhere);
    chkIncNull = new QCheckBox(QStringLiteral("’’(空)にNULLを含める"), pnlWhere3);
    chkIncNull->setObjectName(QStringLiteral("chkIncNull"));
    lblRecord = new QLabel(QStringLiteral("表示件数"), pnlWhere3);
    txtRecord = new TqvNumEdit(pnlWhere3);
    txtRecord->setObjectName(QStringLiteral("txtRecord"));
    txtRecord->setMaxLength(9);
    txtRecord->keys.wantReturns = false;
    txtRecord->setFixedWidth(txtRecord->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
    txtRecord->installEventFilter(this);
    lblRecord->setBuddy(txtRecord);
    bar->addWidget(lblWhere);
    bar->addWidget(cmbWhere, 1);
    bar->addSpacing(8);
    bar->addWidget(chkIncNull);
    bar->addSpacing(12);
    bar->addWidget(lblRecord);
    bar->addWidget(txtRecord);
    right->addWidget(pnlWhere3);

    // FOR SYSTEM_TIME bar of a system-versioned table.
    pnlWhereTmp = new QWidget(pnlWhere2);
    pnlWhereTmp->setObjectName(QStringLiteral("pnlWhereTmp"));
    // Two lines: the choice, then the period (one line would not fit a narrow window).
    auto* tmpLines = new QVBoxLayout(pnlWhereTmp);
    tmpLines->setContentsMargins(2, 0, 2, 0);
    tmpLines->setSpacing(2);
    auto* tmp = new QHBoxLayout;
    auto* period = new QHBoxLayout;
    tmpLines->addLayout(tmp);
    tmpLines->addLayout(period);
    tmp->addWidget(new QLabel(QStringLiteral(" 表示データ"), pnlWhereTmp));
    rdoCurrent = new QRadioButton(QStringLiteral("現状"), pnlWhereTmp);
    rdoCurrent->setObjectName(QStringLiteral("rdoDataDispMode0"));
    rdoHistory = new QRadioButton(QStringLiteral("履歴"), pnlWhereTmp);
    rdoHistory->setObjectName(QStringLiteral("rdoDataDispMode1"));
    auto* group = new QButtonGroup(pnlWhereTmp);
    group->addButton(rdoCurrent, 0);
    group->addButton(rdoHistory, 1);
    connect(group, &QButtonGroup::idClicked, this, [this](int) { rdoDataDispModeClick(); });
    lblHistoryDispMode = new QLabel(QStringLiteral("履歴の表示方法"), pnlWhereTmp);
    cmbHistoryDispMode = new TqvComboBox(pnlWhereTmp);
    cmbHistoryDispMode->setObjectName(QStringLiteral("cmbHistoryDispMode"));
    cmbHistoryDispMode->addItems(HistoryModeItems());
    cmbHistoryDispMode->keys.wantReturns = false;
    cmbHistoryDispMode->installEventFilter(this);
    connect(cmbHistoryDispMode, &QComboBox::currentIndexChanged, this, [this](int) { cmbHistoryDispModeChange(); });
    lblHistoryDispPeriod = new QLabel(QStringLiteral("期間指定"), pnlWhereTmp);
    cmbHistoryStartDate = new QDateEdit(pnlWhereTmp);
    cmbHistoryStartDate->setObjectName(QStringLiteral("cmbHistoryStartDate"));
    cmbHistoryStartDate->setCalendarPopup(true);
    cmbHistoryStartDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    cmbHistoryStartTime = new QTimeEdit(pnlWhereTmp);
    cmbHistoryStartTime->setObjectName(QStringLiteral("cmbHistoryStartTime"));
    cmbHistoryStartTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    lblHistoryTilde = new QLabel(QStringLiteral("～"), pnlWhereTmp);
    cmbHistoryEndDate = new QDateEdit(pnlWhereTmp);
    cmbHistoryEndDate->setObjectName(QStringLiteral("cmbHistoryEndDate"));
    cmbHistoryEndDate->setCalendarPopup(true);
    cmbHistoryEndDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    cmbHistoryEndTime = new QTimeEdit(pnlWhereTmp);
    cmbHistoryEndTime->setObjectName(QStringLiteral("cmbHistoryEndTime"));
    cmbHistoryEndTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    cmbHistoryDispMode->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (QWidget* w : std::initializer_list<QWidget*>{rdoCurrent, rdoHistory, lblHistoryDispMode, cmbHistoryDispMode})
        tmp->addWidget(w);
    tmp->addStretch(1);
    period->addSpacing(12);
    for (QWidget* w : std::initializer_list<QWidget*>{lblHistoryDispPeriod, cmbHistoryStartDate, cmbHistoryStartTime,
                                                      lblHistoryTilde, cmbHistoryEndDate, cmbHistoryEndTime}) {
        w->setMinimumWidth(w->sizeHint().width());
        period->addWidget(w);
    }
    period->addStretch(1);
    right->addWidget(pnlWhereTmp);
    pnlWhereTmp->setVisible(false);

    // Condition grid.
    grdWhere = new TqvStringGrid(pnlWhere2);
    grdWhere->setObjectName(QStringLiteral("grdWhere"));
    grdWhere->SetColCount(WhereColCount);
    grdWhere->SetRowCount(2);
    grdWhere->SetFixedRows(1);
    grdWhere->SetFixedCols(0);
    grdWhere->SetDefaultRowHeight(qMax(18, fontMetrics().height() + 4));
    grdWhere->SetGridMode(TqvGridEditorMode::geAccess);
    const QStringList headers{QStringLiteral("項目名"),        QStringLiteral("＝(一致)"),     QStringLiteral("＜＞(不一致)"),
                              QStringLiteral("≦(下限値)"),     QStringLiteral("≧(上限値)"),    QStringLiteral("LIKE(部分一致)"),
                              QStringLiteral("ソート順序")};
    grdWhere->SetHeader(headers);
    for (int c = 0; c < WhereColCount; ++c)
        grdWhere->SetColWidths(c, qMax(GridWidths[c], fontMetrics().horizontalAdvance(headers.at(c)) + 12));
    grdWhere->SetGridOptions(grdWhere->GridOptions() | goEditing);
    grdWhere->OnSelectCell = [this](int c, int) {
        // The column names are not edited.
        auto opts = grdWhere->GridOptions();
        if (c == wcName) {
            grdWhere->HideEditor();
            opts &= ~TGridOptions(goEditing | goAlwaysShowEditor);
        } else {
            opts |= goEditing;
        }
        grdWhere->SetGridOptions(opts);
        return true;
    };
    grdWhere->OnDrawCell = [this](QPainter& p, int c, int r, const QRect& rect, TGridDrawState) {
        if (c != wcName || r < 1)
            return;
        p.fillRect(rect, palette().color(QPalette::Button));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QPoint(rect.left() + 2, rect.top() + 2 + fontMetrics().ascent()), grdWhere->Cells(c, r));
    };
    right->addWidget(grdWhere, 1);

    fraData = new TfraData(this, splWhere);
    fraData->setObjectName(QStringLiteral("fraData"));
    splWhere->addWidget(pnlWhere);
    splWhere->addWidget(fraData);
    splWhere->setStretchFactor(0, 0);
    splWhere->setStretchFactor(1, 1);
    ResetHistoryBar();
}

FrameOwnerKind TfraDataPage::FrameOwnerType() const
{
    return m_kind == Window::Table ? FrameOwnerKind::TableWindow : FrameOwnerKind::ViewWindow;
}

int TfraDataPage::Box(const QString& text, int flags) const
{
    return TfrmDefine::MessageHook ? TfrmDefine::MessageHook(text, flags) : ShowMessageBox(text, flags);
}

void TfraDataPage::InitState(int defTopRecord, const QString& database, const QString& schema, const QString& name)
{
    txtRecord->setText(QString::number(defTopRecord > 0 ? defTopRecord : qvOption.DefTopRecord));
    btnWhere->setChecked(qvOption.ShowWhereGrid);
    btnWhereClick();
    IConnectionWindow* conn = m_window->OwnerForm();
    QStringList items;
    LoadWhereHistory(conn ? conn->Server() : QString(), database, schema, name, items);
    cmbWhere->clear();
    cmbWhere->addItems(items);
    cmbWhere->setEditText(QString());
    ResetHistoryBar();
    if (TObjectSession* s = m_window->OwnerForm() ? m_window->Session() : nullptr)
        fraData->SetConnection(s->dmSQLServer->Connection);
}

void TfraDataPage::ResetHistoryBar()
{
    rdoCurrent->setChecked(true);
    cmbHistoryDispMode->setCurrentIndex(0);
    const QDate today = QDate::currentDate();
    cmbHistoryStartDate->setDate(today);
    cmbHistoryEndDate->setDate(today);
    cmbHistoryStartTime->setTime(QTime(0, 0));
    cmbHistoryEndTime->setTime(QTime(0, 0));
    rdoDataDispModeClick();
}

void TfraDataPage::SetVersioned(bool versioned) { pnlWhereTmp->setVisible(m_kind == Window::Table && versioned); }

QList<WhereRow> TfraDataPage::WhereRows() const
{
    QList<WhereRow> rows;
    for (int r = 1; r < grdWhere->RowCount(); ++r) {
        WhereRow row = grdWhere->Rows(r);
        while (row.size() < WhereColCount)
            row << QString();
        if (r == 1 && row.at(wcName).isEmpty() && grdWhere->RowCount() == 2)
            break; // the grid of an object without columns
        rows << row;
    }
    return rows;
}

void TfraDataPage::SetWhereRows(const QList<WhereRow>& rows)
{
    grdWhere->SetRowCount(qMax(2, int(rows.size()) + 1));
    for (int c = 0; c < WhereColCount; ++c)
        grdWhere->SetCells(c, 1, QString());
    for (int i = 0; i < rows.size(); ++i)
        grdWhere->SetRows(i + 1, rows.at(i));
}

void TfraDataPage::RefillWhereGrid()
{
    const QList<Column> columns = m_columns();
    const QList<WhereRow> rows = RefillRows(WhereRows(), columns, qvOption.WhereAutoQuote);
    grdWhere->HideEditor();
    grdWhere->SetCol(1);
    grdWhere->SetRow(1);
    SetWhereRows(rows);
    grdWhere->SetLeftCol(0);
    FShowFld = PruneShowFields(FShowFld, columns);
}

QString TfraDataPage::BuildDataSelect()
{
    if (CheckRowLimit(txtRecord->text()) == Limit::Invalid) {
        Box(RowLimitWarning, MB_OK | MB_ICONWARNING);
        txtRecord->setFocus();
        Abort();
    }
    SelectSpec spec;
    spec.window = m_kind;
    spec.database = m_window->cmbDatabase->currentText().trimmed();
    spec.schema = m_window->cmbSchema->currentText().trimmed();
    spec.name = m_window->txtName->text().trimmed();
    spec.showFields = FShowFld;
    spec.columns = m_columns();
    spec.rowLimit = txtRecord->text();
    spec.incNull = chkIncNull->isChecked();
    spec.freeCondition = cmbWhere->currentText();
    if (m_kind == Window::Table && pnlWhereTmp->isVisibleTo(this) && rdoHistory->isChecked() &&
        cmbHistoryDispMode->currentIndex() >= 0) {
        spec.history = History(cmbHistoryDispMode->currentIndex());
        // ISO 8601: read the same way whatever the session's date format.
        const QString format = QStringLiteral("yyyy-MM-ddTHH:mm:ss");
        spec.start = QDateTime(cmbHistoryStartDate->date(), cmbHistoryStartTime->time()).toString(format);
        spec.end = QDateTime(cmbHistoryEndDate->date(), cmbHistoryEndTime->time()).toString(format);
    }
    QList<WhereRow> rows = WhereRows();
    const QString sql = BuildSelect(spec, rows);
    if (!spec.freeCondition.isEmpty()) {
        QStringList items;
        for (int i = 0; i < cmbWhere->count(); ++i)
            items << cmbWhere->itemText(i);
        PushHistory(items, spec.freeCondition);
        {
            const QSignalBlocker block(cmbWhere);
            cmbWhere->clear();
            cmbWhere->addItems(items);
            cmbWhere->setCurrentIndex(0);
        }
        IConnectionWindow* conn = m_window->OwnerForm();
        SaveWhereHistory(conn ? conn->Server() : QString(), spec.database, spec.schema, spec.name, items);
    }
    for (int i = 0; i < rows.size(); ++i)
        grdWhere->SetCells(wcSort, i + 1, rows.at(i).at(wcSort));
    return sql;
}

void TfraDataPage::ShowPageData(const QStringList& primary)
{
    IConnectionWindow* conn = m_window->OwnerForm();
    const QString schema = m_window->cmbSchema->currentText().trimmed();
    const QString name = m_window->txtName->text().trimmed();
    fraData->SetTableName(schema + u'.' + name);
    fraData->SetDBName((conn ? conn->Server() : QString()) + u'.' + (conn ? conn->DataBase() : QString()));
    fraData->SetPrimary(primary);
    if (TObjectSession* s = conn ? m_window->Session() : nullptr)
        fraData->SetConnection(s->dmSQLServer->Connection);
    const QString sql = BuildDataSelect();
    fraData->SetSQL(sql);
    if (sql.isEmpty())
        return;
    fraData->Prepare();
    fraData->Open();
    if (m_kind == Window::Table) {
        grdWhere->SetCol(1);
        grdWhere->SetRow(1);
        grdWhere->SetLeftCol(0); // the column names stay in sight
    }
}

void TfraDataPage::CloseData()
{
    if (fraData->qryData)
        fraData->qryData->Close();
}

void TfraDataPage::ShowAgain()
{
    // The value being typed into the grid is kept.
    if (grdWhere->EditorMode())
        grdWhere->HideEditor();
    m_window->pagObjectChange();
}

void TfraDataPage::btnFieldClick()
{
    TfrmFieldList::ShowWindow(m_window->OwnerForm(), m_window->cmbDatabase->currentText().trimmed(), FShowFld,
                              m_window->txtName->text().trimmed(), m_window->cmbSchema->currentText().trimmed());
    m_window->Reload();
}

void TfraDataPage::btnWhereClick()
{
    const bool down = btnWhere->isChecked();
    grdWhere->setVisible(down);
    btnGrdWhereClear->setVisible(down);
    LayoutWhere();
}

void TfraDataPage::LayoutWhere()
{
    const bool down = btnWhere->isChecked();
    if (splWhere->count() < 2 || splWhere->widget(0) != pnlWhere)
        return;
    splWhere->handle(1)->setVisible(down);
    if (down) {
        pnlWhere->setMaximumHeight(QWIDGETSIZE_MAX);
        const int total = qMax(splWhere->height(), 3 * pnlWhere->minimumSizeHint().height());
        splWhere->setSizes({total / 3, total - total / 3});
    } else {
        // Only the buttons and the condition bar.
        pnlWhere->layout()->activate();
        const int h = pnlWhere->sizeHint().height();
        pnlWhere->setMaximumHeight(h);
        splWhere->setSizes({h, qMax(1, splWhere->height() - h)});
    }
}

void TfraDataPage::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    LayoutWhere();
}

void TfraDataPage::btnGrdWhereClearClick()
{
    if (Box(QStringLiteral("抽出条件・ソート順をクリアしますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    grdWhere->HideEditor();
    for (int r = 1; r < grdWhere->RowCount(); ++r)
        for (int c = wcEqual; c < WhereColCount; ++c)
            grdWhere->SetCells(c, r, QString());
    chkIncNull->setChecked(false);
    if (m_kind == Window::Table)
        ResetHistoryBar();
    grdWhere->InvalidateGrid();
}

void TfraDataPage::btnExecSQLClick()
{
    const QString sql = BuildDataSelect();
    if (QClipboard* c = QApplication::clipboard())
        c->setText(sql);
    const QString note = QStringLiteral("指定した条件のSELECT文を、\r\nクリップボードに出力しました。");
    if (ClipboardHook)
        ClipboardHook(note);
    else
        Box(note, MB_OK | MB_ICONINFORMATION);
}

void TfraDataPage::rdoDataDispModeClick()
{
    const bool history = rdoHistory->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblHistoryDispMode, cmbHistoryDispMode, lblHistoryDispPeriod})
        w->setEnabled(history);
    cmbHistoryDispModeChange();
}

void TfraDataPage::cmbHistoryDispModeChange()
{
    const bool history = rdoHistory->isChecked();
    const auto mode = History(cmbHistoryDispMode->currentIndex());
    const bool start = history && mode != History::All;
    const bool end = start && mode != History::AsOf;
    cmbHistoryStartDate->setEnabled(start);
    cmbHistoryStartTime->setEnabled(start);
    for (QWidget* w : std::initializer_list<QWidget*>{lblHistoryTilde, cmbHistoryEndDate, cmbHistoryEndTime})
        w->setEnabled(end);
}

bool TfraDataPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        const bool combo = watched == cmbWhere || (cmbWhere->lineEdit() && watched == cmbWhere->lineEdit());
        const bool history = watched == cmbHistoryDispMode && m_kind == Window::Table;
        if (enter && (combo || watched == txtRecord || history)) {
            try {
                ShowAgain();
            } catch (...) {
                HandleException(std::current_exception());
            }
            return true; // Enter is swallowed
        }
    }
    return QWidget::eventFilter(watched, event);
}

QAction* AddDataGenerateAction(TfrmDefine* window)
{
    auto* a = new QAction(imgMain(103), QStringLiteral("生成(&W)"), window);
    a->setObjectName(QStringLiteral("actDataGenerate"));
    a->setToolTip(QStringLiteral("テーブルデータを自動生成します。"));
    a->setStatusTip(a->toolTip());
    QObject::connect(a, &QAction::triggered, window, [window] {
        try {
            if (window->IsNew())
                return;
            TfrmDataGenerate::ShowWindow(window->OwnerForm(), window->cmbDatabase->currentText().trimmed(),
                                         window->cmbSchema->currentText().trimmed(), window->txtName->text().trimmed());
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
    window->tolCmd->insertAction(window->actRefresh, a);
    if (QWidget* b = window->tolCmd->widgetForAction(a))
        b->setMinimumWidth(78);
    const QList<QAction*> menu = window->mnuTool->actions();
    const qsizetype at = menu.indexOf(window->actDelete);
    window->mnuTool->insertAction(at >= 0 && at + 1 < menu.size() ? menu.at(at + 1) : nullptr, a);
    return a;
}

} // namespace qv
