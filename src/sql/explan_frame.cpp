#include "sql/explan_frame.h"

#include "app/escape_watch.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "controls/export/export_dialogs.h"
#include "controls/export/grid_output.h"
#include "controls/lists/qv_treeview.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/xlsx/xlsx.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QEvent>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {

const int kSectionWidths[] = {200, 150, 80, 100, 100, 70};

QString rowValue(const db::Query& q, int column)
{
    return column < q.FieldCount() ? q.Fields().at(column)->AsString() : QString();
}

} // namespace

std::function<int(const QString&, int, bool*)>& TfraExplan::MessageHook()
{
    static std::function<int(const QString&, int, bool*)> hook;
    return hook;
}

TfraExplan::TfraExplan(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fraExplan"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tolLeft = new QToolBar(this);
    tolLeft->setObjectName(QStringLiteral("tolLeft"));
    tolLeft->setOrientation(Qt::Vertical);
    tolLeft->setIconSize(QSize(16, 16));
    btnExcel = new QToolButton(tolLeft);
    btnExcel->setObjectName(QStringLiteral("btnExcel"));
    btnExcel->setIcon(QIcon::fromTheme(QStringLiteral("x-office-spreadsheet"), imgMain(44)));
    btnExcel->setToolTip(QStringLiteral("結果をExcelファイルに出力する"));
    btnCopy = new QToolButton(tolLeft);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnCopy->setIcon(imgMain(21));
    btnCopy->setToolTip(QStringLiteral("結果をクリップボードにコピーする"));
    tolLeft->addWidget(btnExcel);
    tolLeft->addWidget(btnCopy);
    connect(btnExcel, &QToolButton::clicked, this, [this] { btnExcelClick(); });
    connect(btnCopy, &QToolButton::clicked, this, [this] { btnCopyClick(); });
    layout->addWidget(tolLeft);

    pnlBody = new QWidget(this);
    pnlBody->setObjectName(QStringLiteral("pnlBody"));
    auto* body = new QVBoxLayout(pnlBody);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    spl1 = new QFrame(pnlBody);
    spl1->setObjectName(QStringLiteral("spl1"));
    spl1->setFrameShape(QFrame::HLine);
    spl1->setFixedHeight(5);
    body->addWidget(spl1);

    pnlPlan = new QWidget(pnlBody);
    pnlPlan->setObjectName(QStringLiteral("pnlPlan"));
    auto* plan = new QVBoxLayout(pnlPlan);
    plan->setContentsMargins(0, 0, 0, 0);
    plan->setSpacing(0);
    hedPlan = new QHeaderView(Qt::Horizontal, pnlPlan);
    hedPlan->setObjectName(QStringLiteral("hedPlan"));
    auto* captions = new QStandardItemModel(0, int(plan::PlanHeaders().size()), hedPlan);
    captions->setHorizontalHeaderLabels(plan::PlanHeaders());
    for (int i = 2; i < captions->columnCount(); ++i)
        captions->setHeaderData(i, Qt::Horizontal, int(Qt::AlignRight), Qt::TextAlignmentRole);
    hedPlan->setModel(captions);
    hedPlan->setStretchLastSection(false);
    hedPlan->setSectionsMovable(false);
    for (int i = 0; i < captions->columnCount(); ++i)
        hedPlan->resizeSection(i, kSectionWidths[i]);
    hedPlan->setSectionResizeMode(1, QHeaderView::Stretch);
    hedPlan->setFixedHeight(hedPlan->sizeHint().height());
    // The header ends where the tree's rows end: a gap above the tree's scroll bar.
    auto* headRow = new QHBoxLayout;
    headRow->setContentsMargins(0, 0, 0, 0);
    headRow->setSpacing(0);
    headRow->addWidget(hedPlan, 1);
    m_headerGap = new QWidget(pnlPlan);
    m_headerGap->setFixedHeight(hedPlan->height());
    m_headerGap->hide();
    headRow->addWidget(m_headerGap);
    plan->addLayout(headRow);

    lstPlan = new TqvTreeView(pnlPlan);
    lstPlan->setObjectName(QStringLiteral("lstPlan"));
    lstPlan->setFrameShape(QFrame::NoFrame);
    lstPlan->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstPlan->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstPlan->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstPlan->RowSelect = true;
    lstPlan->SetHeaderControl(hedPlan);
    lstPlan->verticalScrollBar()->installEventFilter(this);
    plan->addWidget(lstPlan, 1);
    body->addWidget(pnlPlan, 1);
    layout->addWidget(pnlBody, 1);

    qryPlan = new db::Query(this);
    qryPlan->setObjectName(QStringLiteral("qryPlan"));
    qryData = new db::Query(this);
    qryData->setObjectName(QStringLiteral("qryData"));
}

TfraExplan::~TfraExplan() = default;

bool TfraExplan::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstPlan->verticalScrollBar() && (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
                                                    event->type() == QEvent::Resize)) {
        QScrollBar* bar = lstPlan->verticalScrollBar();
        m_headerGap->setFixedWidth(bar->width());
        m_headerGap->setVisible(bar->isVisibleTo(lstPlan));
    }
    return QWidget::eventFilter(watched, event);
}

void TfraExplan::SetConnection(db::Connection* connection)
{
    qryPlan->Close();
    qryData->Close();
    qryPlan->SetConnection(connection);
    qryData->SetConnection(connection);
}

void TfraExplan::SetSQL(const QString& sql)
{
    qryData->Close();
    qryData->SQL().Clear();
    qryData->SetParamCreate(sql.left(6).toUpper() != QLatin1String("CREATE"));
    qryData->SetSQLText(sql);
    m_sql = qryData->SQL().Text();
}

int TfraExplan::message(const QString& text, int flags, bool* comma)
{
    if (MessageHook())
        return MessageHook()(text, flags, comma);
    if (OnMessage && !comma)
        return OnMessage(text, flags);
    if (comma)
        return ShowCheckMessageBox(text, flags, {{QStringLiteral("カンマ区切りにする(非チェック時はタブ区切り)"), comma}});
    return ShowMessageBox(text, flags);
}

void TfraExplan::ShowPlan()
{
    auto switchOff = [this] {
        qryPlan->Close();
        qryPlan->SQL().SetText(QStringLiteral("set showplan_all off"));
        qryPlan->ExecSQL();
    };
    try {
        qryPlan->Close();
        qryPlan->SetParamCreate(false);
        qryPlan->SQL().SetText(QStringLiteral("set showplan_all on"));
        qryPlan->ExecSQL();
    } catch (const Exception&) {
        message(QStringLiteral("実行計画を使用できません。"), MB_ICONWARNING);
        try {
            switchOff();
        } catch (const Exception&) {
        }
        return;
    }

    WaitCursor cursor;
    lstPlan->setUpdatesEnabled(false);
    lstPlan->clear();
    m_nodes.clear();
    m_treeNodes.clear();
    try {
        std::vector<plan::PlanRow> rows;
        qryPlan->SetDirectExecute(true);
        qryPlan->SetParamCreate(qryData->ParamCreate());
        qryPlan->SQL().SetText(m_sql);
        qryPlan->Open();
        // One result per statement of the text.
        do {
            for (qryPlan->First(); !qryPlan->Eof(); qryPlan->Next()) {
                plan::PlanRow r;
                r.stmtText = rowValue(*qryPlan, plan::pcStmtText);
                r.nodeId = rowValue(*qryPlan, plan::pcNodeId);
                r.parent = rowValue(*qryPlan, plan::pcParent);
                r.physicalOp = rowValue(*qryPlan, plan::pcPhysicalOp);
                r.argument = rowValue(*qryPlan, plan::pcArgument);
                r.estimateRows = rowValue(*qryPlan, plan::pcEstimateRows);
                r.avgRowSize = rowValue(*qryPlan, plan::pcAvgRowSize);
                r.totalSubtreeCost = rowValue(*qryPlan, plan::pcTotalSubtreeCost);
                r.type = rowValue(*qryPlan, plan::pcType);
                rows.push_back(std::move(r));
            }
        } while (qryPlan->NextResultSet());
        m_nodes = plan::BuildPlan(rows);
        fillTree();
    } catch (const Exception&) {
        qryPlan->SetDirectExecute(false);
        lstPlan->setUpdatesEnabled(true);
        try {
            switchOff();
        } catch (const Exception&) {
        }
        throw;
    }
    qryPlan->SetDirectExecute(false);
    lstPlan->setUpdatesEnabled(true);
    switchOff();
}

void TfraExplan::fillTree()
{
    for (const plan::PlanNode& n : m_nodes) {
        TqvTreeNode* parent = n.parent >= 0 ? m_treeNodes.value(n.parent) : nullptr;
        TqvTreeNode* node = lstPlan->AddNode(parent, n.text);
        node->SetSubItems(n.subItems);
        if (n.tableScan())
            node->setForeground(0, QColor(Qt::red));
        m_treeNodes << node;
    }
    lstPlan->expandAll();
}

void TfraExplan::btnCopyClick()
{
    bool comma = qvOption.PasteColumn == 1;
    if (qvOption.PasteDialog) {
        if (message(QStringLiteral("結果をクリップボードにコピーしますか？"), MB_YESNO | MB_ICONQUESTION, &comma) != IDYES)
            return;
    }
    qvOption.PasteColumn = comma ? 1 : 0;
    QApplication::clipboard()->clear();
    QString text;
    {
        WaitCursor cursor;
        QPointer<TfrmMain> main(TfrmMain::instance());
        text = plan::PlanCopyText(m_nodes, comma ? QLatin1Char(',') : QLatin1Char('\t'), [&main](int done, int count) {
            if (main)
                main->SetLoopMessage(done, count);
            return EscapePressed();
        });
        QApplication::clipboard()->setText(text);
        if (main)
            main->SetDefMessage();
    }
    message(QStringLiteral("クリップボードに出力しました。"), MB_ICONINFORMATION);
}

void TfraExplan::WriteWorkbook(const QString& fileName) const
{
    auto book = xlsx::Workbook::create();
    xlsx::SheetWriter& sheet = book->sheet(QString());
    sheet.setColumnWidth(1, 50);
    sheet.setColumnWidth(2, 50);
    sheet.beginRow(1);
    const QStringList headers = plan::PlanHeaders();
    for (int c = 0; c < headers.size(); ++c)
        sheet.addText(c + 1, QString(headers.at(c)).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    sheet.endRow();
    int row = 2;
    for (int i : plan::TreeOrder(m_nodes)) {
        const plan::PlanNode& n = m_nodes[size_t(i)];
        sheet.beginRow(row++);
        sheet.addText(1, plan::IndentedText(n));
        for (int s = plan::psObject; s <= plan::psShare; ++s)
            if (!n.subItems.value(s).isEmpty())
                sheet.addText(s + 2, n.subItems.value(s));
        sheet.endRow();
    }
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    book->save(fileName);
}

void TfraExplan::btnExcelClick()
{
    const QString path = exporting::AskExcelFileName(this, QStringLiteral("EXECUTEPLAN"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).completeBaseName().trimmed().isEmpty()) {
        message(QStringLiteral("ファイル名を入力して下さい。"), MB_ICONWARNING);
        return;
    }
    try {
        WaitCursor cursor;
        WriteWorkbook(path);
    } catch (const Exception& e) {
        message(e.message(), MB_ICONWARNING);
        return;
    }
    qvOption.ExcelDir = exporting::FolderOf(QFileInfo(path).absoluteFilePath());
    message(QStringLiteral("ファイルに出力しました。"), MB_ICONINFORMATION);
}

} // namespace qv
