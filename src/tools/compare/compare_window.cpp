#include "tools/compare/compare_window.h"

#include "app/application.h"
#include "app/escape_watch.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/object_script.h"
#include "connection/object_window.h"
#include "controls/export/grid_output.h"
#include "controls/inputs/inputs.h"
#include "controls/lists/qv_listview.h"
#include "platform/db/query.h"
#include "platform/registry.h"
#include "tools/tool_ui.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {

const QString GuiKey = SettingsRootKey + QStringLiteral("\\GUI\\COMP");

TfrmObject* ItemWindow(const QComboBox* combo, int index)
{
    auto* c = reinterpret_cast<IConnectionWindow*>(combo->itemData(index).value<quintptr>());
    return c ? dynamic_cast<TfrmObject*>(c->connectionWidget()) : nullptr;
}

// The schema combo lists the side's schemas each time it drops down.
class SchemaCombo : public TqvComboBox {
public:
    using TqvComboBox::TqvComboBox;
    std::function<void()> dropDown;
    void showPopup() override
    {
        if (dropDown) {
            try {
                dropDown();
            } catch (...) {
                HandleException(std::current_exception());
            }
        }
        TqvComboBox::showPopup();
    }
};

QToolButton* CommandButton(QToolBar* bar, const QString& text, int image, const QString& hint)
{
    auto* b = new QToolButton(bar);
    b->setText(text);
    b->setIcon(imgMain(image));
    b->setToolTip(hint);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setMinimumWidth(78);
    bar->addWidget(b);
    return b;
}

} // namespace

TfrmComp::TfrmComp(TfrmObject* owner) : TqvForm(owner), m_owner2(owner)
{
    setWindowTitle(QStringLiteral("オブジェクト比較"));
    CreateTaskButton();
    SetIcon(135);
    if (owner)
        SetTaskCaption(owner->GetConnectInfo(QString(), QString(), true));
    buildUi();
    chkEqurl->setChecked(CompOption.Equrl);
    chkNotEqurl->setChecked(CompOption.NotEqurl);
    chkOnly1->setChecked(CompOption.Only1);
    chkOnly2->setChecked(CompOption.Only2);
    FillConnections(cmbConnect1, owner);
    ConnectChange(1);
    FillConnections(cmbConnect2, m_owner2);
    ConnectChange(2);
    resize(900, 560);
    UpdateActions();
}

TfrmObject* TfrmComp::Side1() const
{
    return OwnerForm() ? dynamic_cast<TfrmObject*>(OwnerForm()->connectionWidget()) : nullptr;
}

QGroupBox* TfrmComp::buildSide(int side, QComboBox*& connect, QComboBox*& db, TqvComboBox*& schema)
{
    auto* g = new QGroupBox(side == 1 ? QStringLiteral("比較先１") : QStringLiteral("比較先２"), this);
    auto* gl = new QGridLayout(g);
    connect = new QComboBox(g);
    connect->setObjectName(QStringLiteral("cmbConnect%1").arg(side));
    connect->setMinimumContentsLength(14);
    connect->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    db = new QComboBox(g);
    db->setObjectName(QStringLiteral("cmbDBName%1").arg(side));
    db->setMinimumContentsLength(10);
    db->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* s = new SchemaCombo(g);
    s->setObjectName(QStringLiteral("cmbSchema%1").arg(side));
    s->setEditable(true);
    s->setMaxVisibleItems(20);
    s->setCompleter(nullptr);
    s->setMinimumContentsLength(10);
    s->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    s->dropDown = [this, side] { cmbSchemaDropDown(side); };
    schema = s;
    gl->addWidget(new QLabel(QStringLiteral("接続"), g), 0, 0);
    gl->addWidget(connect, 0, 1);
    gl->addWidget(new QLabel(QStringLiteral("DB"), g), 1, 0);
    gl->addWidget(db, 1, 1);
    gl->addWidget(new QLabel(QStringLiteral("所有者"), g), 2, 0);
    gl->addWidget(schema, 2, 1);
    gl->setColumnStretch(1, 1);
    QObject::connect(connect, &QComboBox::activated, this, [this, side] {
        try {
            ConnectChange(side);
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
    return g;
}

void TfrmComp::buildUi()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(2);

    auto* tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    btnExec = CommandButton(tolCmd, QStringLiteral("実行(&E)"), 28, QStringLiteral("オブジェクト比較を実行します。"));
    actOutput = new QAction(imgMain(36), QStringLiteral("出力(&P)"), this);
    actExcel = new QAction(imgMain(44), QStringLiteral("Excel出力"), this);
    actCopy = new QAction(imgMain(21), QStringLiteral("クリップボード出力"), this);
    popOutput = new QMenu(this);
    popOutput->addAction(actExcel);
    popOutput->addAction(actCopy);
    btnOutput = new QToolButton(tolCmd);
    btnOutput->setDefaultAction(actOutput);
    btnOutput->setMenu(popOutput);
    btnOutput->setPopupMode(QToolButton::MenuButtonPopup);
    btnOutput->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnOutput->setMinimumWidth(78);
    tolCmd->addWidget(btnOutput);
    btnExit = CommandButton(tolCmd, QStringLiteral("終了(&X)"), 42, QStringLiteral("画面を閉じます。"));
    root->addWidget(tolCmd);

    auto* pnlComp = new QWidget(this);
    auto* pl = new QHBoxLayout(pnlComp);
    pl->setContentsMargins(4, 0, 4, 0);
    grpComp1 = buildSide(1, cmbConnect1, cmbDBName1, cmbSchema1);
    grpComp2 = buildSide(2, cmbConnect2, cmbDBName2, cmbSchema2);
    grpOption = new QGroupBox(QStringLiteral(" 表示するオブジェクトの条件 "), pnlComp);
    auto* ol = new QVBoxLayout(grpOption);
    chkEqurl = new QCheckBox(QStringLiteral("内容一致"), grpOption);
    chkNotEqurl = new QCheckBox(QStringLiteral("内容不一致"), grpOption);
    chkOnly1 = new QCheckBox(QStringLiteral("比較先１にのみ存在する"), grpOption);
    chkOnly2 = new QCheckBox(QStringLiteral("比較先２にのみ存在する"), grpOption);
    for (QCheckBox* c : {chkEqurl, chkNotEqurl, chkOnly1, chkOnly2})
        ol->addWidget(c);
    // The two sides share what the filter box leaves, half each.
    pl->addWidget(grpComp1, 1);
    pl->addWidget(grpComp2, 1);
    pl->addWidget(grpOption, 0);
    root->addWidget(pnlComp);

    auto* pnlNewObj = new QWidget(this);
    auto* nl = new QHBoxLayout(pnlNewObj);
    nl->setContentsMargins(4, 0, 4, 0);
    nl->setSpacing(2);
    auto kindButton = [&](const QString& text, int image) {
        auto* b = new QToolButton(pnlNewObj);
        b->setText(text);
        b->setIcon(imgMain(image));
        b->setCheckable(true);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        nl->addWidget(b);
        return b;
    };
    btnTable = kindButton(QStringLiteral("テーブル"), 45);
    btnIndex = kindButton(QStringLiteral("インデックス"), 46);
    btnView = kindButton(QStringLiteral("ビュー"), 47);
    btnProc = kindButton(QStringLiteral("プロシージャ"), 51);
    btnFunc = kindButton(QStringLiteral("ファンクション"), 52);
    btnTrigger = kindButton(QStringLiteral("トリガー"), 57);
    btnSequence = kindButton(QStringLiteral("シーケンス"), 58);
    btnSynonym = kindButton(QStringLiteral("シノニム"), 60);
    nl->addStretch(1);
    root->addWidget(pnlNewObj);

    lstComp = new TqvListView(this);
    lstComp->setObjectName(QStringLiteral("lstComp"));
    lstComp->setHeaderLabels({QStringLiteral("オブジェクト名"), QStringLiteral("データベース"), QStringLiteral("スキーマ"),
                              QStringLiteral("タイプ"), QStringLiteral("比較結果")});
    lstComp->setColumnWidth(0, 200);
    lstComp->setColumnWidth(1, 120);
    lstComp->setColumnWidth(2, 120);
    lstComp->setColumnWidth(3, 120);
    lstComp->header()->setStretchLastSection(true);
    lstComp->setRootIsDecorated(false);
    lstComp->setSelectionMode(QAbstractItemView::SingleSelection);
    lstComp->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstComp->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstComp->setContextMenuPolicy(Qt::CustomContextMenu);
    root->addWidget(lstComp, 1);

    popObject = new QMenu(this);
    mnuOpen = popObject->addAction(QStringLiteral("開く(&O)"));
    mnuOpen1 = popObject->addAction(QStringLiteral("比較先１のオブジェクトを開く"));
    mnuOpen2 = popObject->addAction(QStringLiteral("比較先２のオブジェクトを開く"));

    auto guarded = [this](auto fn) {
        return [this, fn] {
            try {
                (this->*fn)();
            } catch (...) {
                HandleException(std::current_exception());
            }
        };
    };
    connect(btnExec, &QToolButton::clicked, this, guarded(&TfrmComp::btnExecClick));
    connect(btnExit, &QToolButton::clicked, this, [this] { frame()->close(); });
    connect(actOutput, &QAction::triggered, this, [this] { btnOutput->showMenu(); });
    connect(actExcel, &QAction::triggered, this, guarded(&TfrmComp::actExcelExecute));
    connect(actCopy, &QAction::triggered, this, guarded(&TfrmComp::actCopyExecute));
    connect(mnuOpen, &QAction::triggered, this, guarded(&TfrmComp::mnuOpenClick));
    connect(mnuOpen1, &QAction::triggered, this, guarded(&TfrmComp::mnuOpen1Click));
    connect(mnuOpen2, &QAction::triggered, this, guarded(&TfrmComp::mnuOpen2Click));
    connect(lstComp, &QTreeWidget::itemDoubleClicked, this, guarded(&TfrmComp::mnuOpenClick));
    connect(lstComp, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const bool any = !lstComp->selectedItems().isEmpty();
        for (QAction* a : {mnuOpen, mnuOpen1, mnuOpen2})
            a->setEnabled(any);
        popObject->popup(lstComp->viewport()->mapToGlobal(pos));
    });
}

void TfrmComp::UpdateActions()
{
    const bool any = lstComp->topLevelItemCount() > 0;
    for (QAction* a : {actOutput, actExcel, actCopy})
        a->setEnabled(any);
}

void TfrmComp::FillConnections(QComboBox* combo, TfrmObject* select)
{
    const QSignalBlocker block(combo);
    combo->clear();
    if (TfrmMain* main = TfrmMain::instance(); main && main->cmbDBName()) {
        const QComboBox* list = main->cmbDBName();
        for (int i = 0; i < list->count(); ++i)
            combo->addItem(list->itemText(i), list->itemData(i));
    }
    for (int i = 0; i < combo->count(); ++i)
        if (select && ItemWindow(combo, i) == select)
            combo->setCurrentIndex(i);
}

void TfrmComp::UpdateKindButtons()
{
    TfrmObject* a = cmbConnect1->currentIndex() >= 0 ? ItemWindow(cmbConnect1, cmbConnect1->currentIndex()) : nullptr;
    TfrmObject* b = cmbConnect2->currentIndex() >= 0 ? ItemWindow(cmbConnect2, cmbConnect2->currentIndex()) : nullptr;
    if (!a || !b)
        return;
    btnSynonym->setEnabled(a->DBVer() >= 9 || b->DBVer() >= 9);
    btnSequence->setEnabled((a->DBVer() >= 11 && !a->IsAzure()) || (b->DBVer() >= 11 && !b->IsAzure()));
}

void TfrmComp::ConnectChange(int side)
{
    QComboBox* combo = side == 1 ? cmbConnect1 : cmbConnect2;
    const int index = combo->currentIndex();
    TfrmObject* conn = index >= 0 ? ItemWindow(combo, index) : nullptr;
    UpdateKindButtons();
    if (!conn)
        return;
    if (side == 1)
        SetOwnerForm(conn);
    else
        m_owner2 = conn;
    QComboBox* db = side == 1 ? cmbDBName1 : cmbDBName2;
    QStringList list;
    conn->GetDatabase(list);
    {
        const QSignalBlocker block(db);
        db->clear();
        db->addItems(list);
        db->setCurrentIndex(std::max(0, int(db->findText(conn->DataBase()))));
    }
    (side == 1 ? cmbSchema1 : cmbSchema2)->setEditText(compare::AllSchemas());
    db->setEnabled(!conn->IsAzure());
}

void TfrmComp::cmbSchemaDropDown(int side)
{
    TfrmObject* conn = side == 1 ? Side1() : Side2();
    TqvComboBox* combo = side == 1 ? cmbSchema1 : cmbSchema2;
    if (!conn)
        return;
    QStringList list;
    conn->session()->GetUser(list, (side == 1 ? cmbDBName1 : cmbDBName2)->currentText(), false);
    list.prepend(compare::AllSchemas());
    const QString text = combo->currentText();
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(list);
    combo->setEditText(text);
}

compare::Side TfrmComp::SideOf(int side) const
{
    if (side == 1)
        return {cmbConnect1->currentText(), cmbDBName1->currentText(), cmbSchema1->currentText().trimmed()};
    return {cmbConnect2->currentText(), cmbDBName2->currentText(), cmbSchema2->currentText().trimmed()};
}

QList<compare::Kind> TfrmComp::CheckedKinds() const
{
    using K = compare::Kind;
    QList<K> kinds;
    const QList<QPair<QToolButton*, K>> buttons = {{btnTable, K::Table},     {btnIndex, K::Index},
                                                   {btnView, K::View},       {btnProc, K::Procedure},
                                                   {btnFunc, K::Function},   {btnTrigger, K::Trigger},
                                                   {btnSynonym, K::Synonym}, {btnSequence, K::Sequence}};
    for (const auto& [button, kind] : buttons)
        if (button->isChecked())
            kinds << kind;
    return kinds;
}

QString TfrmComp::BuildObjectSQL(int side) const
{
    TfrmObject* conn = side == 1 ? Side1() : Side2();
    const compare::Side s = SideOf(side);
    const catalog::ServerKind kind = conn ? conn->session()->Kind() : catalog::ServerKind{};
    return compare::ObjectListSql(kind, CheckedKinds(), s.database, s.schema, qvOption.ShowSysObj);
}

void TfrmComp::btnExecClick()
{
    if (!chkEqurl->isChecked() && !chkNotEqurl->isChecked() && !chkOnly1->isChecked() && !chkOnly2->isChecked()) {
        tools::Message(QStringLiteral("表示するオブジェクト条件を指定して下さい。"), MB_ICONWARNING);
        chkEqurl->setFocus();
        return;
    }
    if (cmbSchema1->currentText().trimmed().isEmpty()) {
        tools::Message(QStringLiteral("比較先１のスキーマを指定して下さい。"), MB_ICONWARNING);
        cmbSchema1->setFocus();
        return;
    }
    if (cmbSchema2->currentText().trimmed().isEmpty()) {
        tools::Message(QStringLiteral("比較先２のスキーマを指定して下さい。"), MB_ICONWARNING);
        cmbSchema2->setFocus();
        return;
    }
    if (compare::SamePlace(SideOf(1), SideOf(2))) {
        tools::Message(QStringLiteral("比較先が同一の場所を示しています。"), MB_ICONWARNING);
        cmbSchema1->setFocus();
        return;
    }
    RunCompare();
}

void TfrmComp::RunCompare()
{
    TfrmObject* conn1 = Side1();
    TfrmObject* conn2 = Side2();
    if (!conn1 || !conn2)
        return;
    CompOption.Equrl = chkEqurl->isChecked();
    CompOption.NotEqurl = chkNotEqurl->isChecked();
    CompOption.Only1 = chkOnly1->isChecked();
    CompOption.Only2 = chkOnly2->isChecked();
    const compare::Side side1 = SideOf(1), side2 = SideOf(2);
    const QString sql1 = BuildObjectSQL(1), sql2 = BuildObjectSQL(2);

    const TScriptOption saved = ScriptOption;
    TfrmMain* main = TfrmMain::instance();
    const auto restore = qScopeGuard([&] {
        ScriptOption = saved;
        if (main)
            main->SetDefMessage();
    });
    WaitCursor wait;
    if (main) {
        EscapeWatch::begin();
        main->stsMain()->setPanelText(2, QStringLiteral(" 比較中... [ESC]キーを押すと処理を中断します。"));
        main->repaint();
    }
    // Both lists are read before anything of the previous run goes.
    QList<compare::Key> keys[2];
    const bool differ = compare::SchemasDiffer(side1, side2);
    for (int side = 0; side < 2; ++side) {
        db::Query* q = (side == 0 ? conn1 : conn2)->session()->OpenSQL(side == 0 ? sql1 : sql2);
        const auto close = qScopeGuard([q] { q->Close(); });
        for (q->First(); !q->Eof(); q->Next()) {
            if (tools::Escape())
                return;
            const auto& f = q->Fields();
            compare::Key k;
            k.type = f.at(0)->AsString().trimmed();
            k.name = f.at(1)->AsString().trimmed();
            k.schema = differ ? QString() : f.at(2)->AsString().trimmed();
            k.parent = f.at(3)->IsNull() ? QString() : f.at(3)->AsString().trimmed();
            keys[side] << k;
        }
    }
    if (side1.database != side2.database)
        ScriptOption.Database = qmNever;
    if (differ)
        ScriptOption.Owner = qmNever;
    ScriptOption.Index = false;
    ScriptOption.Insert = false;
    lstComp->clear();
    UpdateActions();

    compare::Hooks hooks;
    hooks.escapePressed = [] { return tools::Escape(); };
    hooks.script = [&](int side, int type, const QString& database, const QString& schema, const QString& name,
                       const QString& table) {
        TfrmObject* conn = side == 1 ? conn1 : conn2;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        OutputScript(ScriptContext{conn->session(), conn}, static_cast<TObjectTypeCode>(type), database, schema,
                     name, &buffer, {}, {}, false, type == ObjType::Index ? table : QString());
        const QByteArray& bytes = buffer.data();
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    };
    hooks.addRow = [this](const compare::Row& row) { AddRow(row); };
    const compare::Filter filter{chkEqurl->isChecked(), chkNotEqurl->isChecked(), chkOnly1->isChecked(),
                                 chkOnly2->isChecked()};
    const bool finished = compare::Pair(keys[0], keys[1], side1, side2, filter, hooks);
    UpdateActions();
    if (finished)
        tools::Message(QStringLiteral("オブジェクト比較を終了しました。"), MB_ICONINFORMATION);
}

void TfrmComp::AddRow(const compare::Row& row)
{
    QTreeWidgetItem* item = lstComp->AddItem(row.name, {row.database, row.schema, row.typeName, row.result});
    item->setIcon(0, imgMain(row.objectType));
    item->setData(0, Qt::UserRole, row.objectType);
    item->setData(0, Qt::UserRole + 1, row.parent);
    lstComp->scrollToItem(item);
}

void TfrmComp::OpenOn(int side, QTreeWidgetItem* item)
{
    TfrmObject* conn = side == 1 ? Side1() : Side2();
    if (!conn)
        return;
    const int type = item->data(0, Qt::UserRole).toInt();
    const QString database = (side == 1 ? cmbDBName1 : cmbDBName2)->currentText();
    const QString schema =
        compare::OpenSchema(SideOf(side), SideOf(side == 1 ? 2 : 1), item->text(2));
    const QString parent = item->data(0, Qt::UserRole + 1).toString();
    QWidget* w = conn->OpenObject(type, database, schema, item->text(0), qvOption.OpenMode, false, 0, parent);
    if (TfrmMain* main = TfrmMain::instance()) {
        if (w && !w->parentWidget())
            main->AddChildWindow(w);
        main->RecentObjectCheck(type, database, schema, item->text(0), parent);
    }
}

void TfrmComp::OpenRows(bool side1, bool side2)
{
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < lstComp->topLevelItemCount(); ++i)
        if (lstComp->topLevelItem(i)->isSelected())
            rows << lstComp->topLevelItem(i);
    TfrmMain* main = TfrmMain::instance();
    const auto restore = qScopeGuard([main] {
        if (main)
            main->SetDefMessage();
    });
    for (int i = 0; i < rows.size(); ++i) {
        if (main)
            main->SetLoopMessage(i + 1, int(rows.size()));
        if (tools::Escape())
            break;
        QTreeWidgetItem* item = rows.at(i);
        const QString result = item->text(4);
        if (side1 && compare::OpensOnSide1(result))
            OpenOn(1, item);
        if (side2 && compare::OpensOnSide2(result))
            OpenOn(2, item);
        item->setSelected(false);
    }
}

QList<QStringList> TfrmComp::OutputRows(bool withHeading) const
{
    QList<QStringList> rows;
    if (withHeading) {
        QStringList heading;
        for (int c = 0; c < 5; ++c)
            heading << lstComp->headerItem()->text(c);
        rows << heading;
    }
    for (int i = 0; i < lstComp->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << lstComp->topLevelItem(i)->text(c);
        rows << cells;
    }
    return rows;
}

void TfrmComp::actExcelExecute()
{
    if (lstComp->topLevelItemCount() > 0)
        exporting::GridExcelOutput(this, QStringLiteral("OBJECTCOMP"), OutputRows(true));
}

void TfrmComp::actCopyExecute()
{
    if (lstComp->topLevelItemCount() > 0)
        exporting::GridClipboardOutput(OutputRows(false));
}

void TfrmComp::DBChange()
{
    TfrmObject* own1 = cmbConnect1->currentIndex() >= 0 ? ItemWindow(cmbConnect1, cmbConnect1->currentIndex()) : nullptr;
    TfrmObject* own2 = cmbConnect2->currentIndex() >= 0 ? ItemWindow(cmbConnect2, cmbConnect2->currentIndex()) : nullptr;
    FillConnections(cmbConnect1, own1);
    FillConnections(cmbConnect2, own2);
    auto found = [](QComboBox* combo, TfrmObject* own) {
        if (!own)
            return false;
        for (int i = 0; i < combo->count(); ++i)
            if (ItemWindow(combo, i) == own)
                return true;
        return false;
    };
    if (!found(cmbConnect1, own1) || !found(cmbConnect2, own2))
        frame()->close();
}

void TfrmComp::LoadWindowSettings()
{
    if (!isNormalState())
        return;
    TqvRegistry reg;
    if (reg.OpenKey(GuiKey, true))
        resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
}

void TfrmComp::SaveWindowSettings()
{
    if (!isNormalState())
        return;
    TqvRegistry reg;
    if (reg.OpenKey(GuiKey, true)) {
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
}

} // namespace qv
