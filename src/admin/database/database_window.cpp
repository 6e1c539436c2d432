#include "admin/database/database_window.h"

#include "app/connection_window_iface.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/wait_cursor.h"
#include "connection/dm_sqlserver.h"
#include "connection/object_session.h"
#include "controls/grid/string_grid.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_text.h"
#include "tables/privileges_frame.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

using namespace database;

namespace {
const QString Word = QStringLiteral("データベース");

DefineKind DbKind()
{
    DefineKind k;
    k.windowClass = &Tfrmdb::staticMetaObject;
    k.objType = 116;
    k.word = Word;
    k.settingsKey = QStringLiteral("DB");
    k.menuTitle = QStringLiteral("データベース(&O)");
    k.hasSchema = false;
    k.hasSource = true;
    k.commitAroundDDL = true; // ALTER DATABASE runs outside a transaction
    return k;
}

// The caption of an existing database: owner.name @ server.session database.
QString Caption(QObject* owner, const QString& schema, const QString& name)
{
    IConnectionWindow* conn = nullptr;
    for (QObject* o = owner; o && !conn; o = o->parent())
        conn = dynamic_cast<IConnectionWindow*>(o);
    return DefineCaption(Word, false, schema, QString(), name, conn ? conn->Server() : QString(),
                         conn ? conn->DataBase() : QString(), false);
}

// One open window per database: an open one comes forward and no second is built.
DefineArgs CheckDuplicate(QObject* owner, const QString& schema, const QString& name, TOpenMode mode, bool scriptMode)
{
    if (!scriptMode && !name.trimmed().isEmpty())
        if (TfrmMain* main = TfrmMain::instance();
            main && main->FindWindow(Tfrmdb::staticMetaObject, Caption(owner, schema, name), true))
            Abort();
    return DefineArgs{QString(), QString(), name, mode};
}

enum FileCol { fcLogical, fcKind, fcGroup, fcSize, fcPath, fcFile, fcGrowth, fcGrowthKind, fcMax };

QLabel* Label(const QString& text, QWidget* parent) { return new QLabel(text, parent); }
} // namespace

Tfrmdb::Tfrmdb(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
               TOpenMode mode)
    : Tfrmdb(owner, database, schema, objectName, mode, false)
{
}

Tfrmdb::Tfrmdb(QObject* owner, const QString& /*database*/, const QString& schema, const QString& objectName,
               TOpenMode mode, bool scriptMode)
    : TfrmDefine(owner, DbKind(), CheckDuplicate(owner, schema, objectName, mode, scriptMode), scriptMode),
      m_owner(schema)
{
    setObjectName(QStringLiteral("frmdb"));
    // The name panel holds the name only: the scripts carry no switch to the database.
    lblDatabase->hide();
    cmbDatabase->hide();
    lblName->setText(QStringLiteral("名前"));
    actDelete->setVisible(false);
    BuildGeneral();
    BuildFileGroups();
    BuildOptions();
    pagObject->removeTab(pagObject->indexOf(tabSource));
    pagObject->addTab(tabSource, QStringLiteral("ソース"));
    tabGrant = new QWidget(pagObject);
    tabGrant->setObjectName(QStringLiteral("tabGrant"));
    auto* grant = new QVBoxLayout(tabGrant);
    grant->setContentsMargins(0, 0, 0, 0);
    fraGrant = new TfraGrant(tabGrant);
    grant->addWidget(fraGrant);
    pagObject->addTab(tabGrant, QStringLiteral("権限"));
    connect(txtName, &QLineEdit::textChanged, this, [this] { NameChanged(); });
    Prepare();
    Start();
}

void Tfrmdb::MarkModified()
{
    SetModified(true);
    actCompile->setEnabled(true);
}

bool Tfrmdb::IsAzure() const { return OwnerForm() && OwnerForm()->IsAzure(); }

void Tfrmdb::BuildGeneral()
{
    auto* page = new QVBoxLayout(tabDefine);
    page->setContentsMargins(8, 8, 8, 8);
    auto* ownerRow = new QHBoxLayout;
    cmbUser = new TqvComboBox(tabDefine);
    cmbUser->setObjectName(QStringLiteral("cmbUser"));
    cmbUser->setEditable(true);
    cmbUser->setMinimumContentsLength(20);
    ownerRow->addWidget(Label(QStringLiteral("所有者"), tabDefine));
    ownerRow->addWidget(cmbUser);
    ownerRow->addStretch(1);
    page->addLayout(ownerRow);
    TrackChanges(cmbUser);

    pnlAll = new QWidget(tabDefine);
    pnlAll->setObjectName(QStringLiteral("pnlAll"));
    auto* all = new QVBoxLayout(pnlAll);
    all->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    cmbSyogo = new TqvComboBox(pnlAll);
    cmbSyogo->setObjectName(QStringLiteral("cmbSyogo"));
    cmbSyogo->setMinimumContentsLength(28);
    chkFullTextIndex = new TqvCheckBox(pnlAll);
    chkFullTextIndex->setObjectName(QStringLiteral("chkFullTextIndex"));
    chkFullTextIndex->setText(QStringLiteral("フルテキストインデックスを使用する"));
    top->addWidget(Label(QStringLiteral("照合順序："), pnlAll));
    top->addWidget(cmbSyogo);
    top->addSpacing(12);
    top->addWidget(chkFullTextIndex);
    top->addStretch(1);
    all->addLayout(top);
    TrackChanges(cmbSyogo);
    TrackChanges(chkFullTextIndex);

    auto* files = new QGroupBox(QStringLiteral("ファイル"), pnlAll);
    auto* fl = new QVBoxLayout(files);
    grdFile = new TqvStringGrid(files);
    grdFile->setObjectName(QStringLiteral("grdFile"));
    grdFile->SetColCount(9);
    grdFile->SetRowCount(2);
    grdFile->SetFixedRows(1);
    grdFile->SetFixedCols(0);
    grdFile->SetHeader({QStringLiteral("論理名"), QStringLiteral("ファイルの種類"), QStringLiteral("ファイルグループ"),
                        QStringLiteral("初期サイズ(MB)"), QStringLiteral("パス"), QStringLiteral("ファイル名"),
                        QString(), QString(), QString()});
    const int widths[] = {150, 150, 150, 100, 250, 100, -1, -1, -1};
    for (int c = 0; c < 9; ++c)
        grdFile->SetColWidths(c, widths[c]);
    grdFile->SetGridMode(TqvGridEditorMode::geAccess);
    grdFile->SetEditStyles(fcKind, TqvGridEditStyle::gePickList);
    grdFile->SetEditStyles(fcGroup, TqvGridEditStyle::gePickList);
    grdFile->OnSelectCell = [this](int c, int r) {
        if (r != m_growthRow) {
            StoreGrowth();
            ShowGrowth(r);
        }
        // An existing file: its logical name and size only; the file name never.
        const bool existing = !grdFile->Cells(fcFile, r).trimmed().isEmpty();
        const bool editable = c != fcFile && (!existing || c == fcLogical || c == fcSize);
        grdFile->SetGridOptions(editable ? grdFile->GridOptions() | goEditing : grdFile->GridOptions() & ~goEditing);
        return true;
    };
    grdFile->OnGetPickListitems = [this](int c, int r, QStringList& items) {
        if (c == fcKind) {
            items = {DataKind, LogKind};
        } else if (c == fcGroup) {
            if (grdFile->Cells(fcKind, r) == LogKind) {
                items = {NoGroup};
            } else {
                items.clear();
                for (int g = 1; g < grdFileGroup->RowCount(); ++g)
                    if (!grdFileGroup->Cells(0, g).trimmed().isEmpty())
                        items << grdFileGroup->Cells(0, g).trimmed();
            }
        }
    };
    grdFile->OnSetEditText = [this](TqvStringGrid*, int, int r, const QString& value) {
        if (r == grdFile->RowCount() - 1 && !value.trimmed().isEmpty())
            grdFile->SetRowCount(grdFile->RowCount() + 1);
        if (!m_filling && grdFile->IsChanged())
            MarkModified();
    };
    fl->addWidget(grdFile, 1);

    auto* growth = new QHBoxLayout;
    chkAutoExt = new TqvCheckBox(files);
    chkAutoExt->setObjectName(QStringLiteral("chkAutoExt"));
    chkAutoExt->setText(QStringLiteral("自動拡張を有効にする"));
    pnlAutoExt = new QWidget(files);
    auto* ext = new QHBoxLayout(pnlAutoExt);
    ext->setContentsMargins(0, 0, 0, 0);
    auto* grpExt = new QGroupBox(QStringLiteral("ファイル拡張"), pnlAutoExt);
    auto* ge = new QGridLayout(grpExt);
    radExtPercent = new TqvRadioButton(grpExt);
    radExtPercent->setText(QStringLiteral("比率(%)"));
    radExtMb = new TqvRadioButton(grpExt);
    radExtMb->setText(QStringLiteral("MB単位"));
    txtPersentSize = new TqvNumEdit(grpExt);
    txtPersentSize->setObjectName(QStringLiteral("txtPersentSize"));
    txtMbSize = new TqvNumEdit(grpExt);
    txtMbSize->setObjectName(QStringLiteral("txtMbSize"));
    ge->addWidget(radExtPercent, 0, 0);
    ge->addWidget(txtPersentSize, 0, 1);
    ge->addWidget(radExtMb, 1, 0);
    ge->addWidget(txtMbSize, 1, 1);
    auto* grpMax = new QGroupBox(QStringLiteral("ファイルの最大サイズ"), pnlAutoExt);
    auto* gm = new QGridLayout(grpMax);
    radMaxLimited = new TqvRadioButton(grpMax);
    radMaxLimited->setText(QStringLiteral("ファイル拡張の制限(MB)"));
    radMaxUnlimited = new TqvRadioButton(grpMax);
    radMaxUnlimited->setText(QStringLiteral("ファイルを無制限に拡張"));
    txtMaxsize = new TqvNumEdit(grpMax);
    txtMaxsize->setObjectName(QStringLiteral("txtMaxsize"));
    gm->addWidget(radMaxLimited, 0, 0);
    gm->addWidget(txtMaxsize, 0, 1);
    gm->addWidget(radMaxUnlimited, 1, 0, 1, 2);
    ext->addWidget(grpExt);
    ext->addWidget(grpMax);
    growth->addWidget(chkAutoExt, 0, Qt::AlignTop);
    growth->addWidget(pnlAutoExt, 1);
    fl->addLayout(growth);
    all->addWidget(files, 1);
    page->addWidget(pnlAll, 1);

    // The growth controls: a choice enables its edit with the default value, and every
    // change goes into the selected file row.
    const auto changed = [this] {
        if (m_filling)
            return;
        const QSignalBlocker b1(txtPersentSize), b2(txtMbSize), b3(txtMaxsize);
        const bool on = chkAutoExt->isChecked();
        pnlAutoExt->setEnabled(on);
        txtPersentSize->setEnabled(on && radExtPercent->isChecked());
        txtMbSize->setEnabled(on && radExtMb->isChecked());
        txtMaxsize->setEnabled(on && radMaxLimited->isChecked());
        for (TqvNumEdit* e : {txtPersentSize, txtMbSize, txtMaxsize})
            if (!e->isEnabled())
                e->clear();
        if (txtPersentSize->isEnabled() && txtPersentSize->text().isEmpty())
            txtPersentSize->setText(QStringLiteral("10"));
        if (txtMbSize->isEnabled() && txtMbSize->text().isEmpty())
            txtMbSize->setText(QStringLiteral("1"));
        if (txtMaxsize->isEnabled() && txtMaxsize->text().isEmpty())
            txtMaxsize->setText(QStringLiteral("100"));
        StoreGrowth();
        MarkModified();
    };
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{chkAutoExt, radExtPercent, radExtMb, radMaxLimited,
                                                                      radMaxUnlimited})
        connect(b, &QAbstractButton::toggled, this, changed);
    for (TqvNumEdit* e : {txtPersentSize, txtMbSize, txtMaxsize})
        connect(e, &QLineEdit::textEdited, this, [this] {
            StoreGrowth();
            MarkModified();
        });

    pnlAzure = new QWidget(tabDefine);
    pnlAzure->setObjectName(QStringLiteral("pnlAzure"));
    auto* az = new QFormLayout(pnlAzure);
    cmbSize = new TqvComboBox(pnlAzure);
    cmbSize->setObjectName(QStringLiteral("cmbSize"));
    cmbSize->addItems(AzureSizes);
    cmbEdition = new TqvComboBox(pnlAzure);
    cmbEdition->setObjectName(QStringLiteral("cmbEdition"));
    cmbEdition->addItems({QStringLiteral("Web"), QStringLiteral("Business")});
    auto* size = new QGroupBox(QStringLiteral(" サイズ "), pnlAzure);
    auto* sl = new QFormLayout(size);
    sl->addRow(QStringLiteral("最大サイズ"), cmbSize);
    sl->addRow(QStringLiteral("エディション"), cmbEdition);
    az->addRow(size);
    page->addWidget(pnlAzure);
    page->addStretch(0);
    const auto couple = [this](bool sizeChosen) {
        if (m_filling)
            return;
        int s = cmbSize->currentIndex(), e = cmbEdition->currentIndex();
        CoupleAzureSize(s, e, sizeChosen);
        const QSignalBlocker b1(cmbSize), b2(cmbEdition);
        cmbSize->setCurrentIndex(s);
        cmbEdition->setCurrentIndex(e);
        MarkModified();
    };
    connect(cmbSize, &QComboBox::currentIndexChanged, this, [couple] { couple(true); });
    connect(cmbEdition, &QComboBox::currentIndexChanged, this, [couple] { couple(false); });
    pagObject->setTabText(pagObject->indexOf(tabDefine), QStringLiteral("全般"));
}

void Tfrmdb::BuildFileGroups()
{
    tabFileGrp = new QWidget(pagObject);
    tabFileGrp->setObjectName(QStringLiteral("tabFileGrp"));
    auto* l = new QVBoxLayout(tabFileGrp);
    l->setContentsMargins(8, 8, 8, 8);
    grdFileGroup = new TqvStringGrid(tabFileGrp);
    grdFileGroup->setObjectName(QStringLiteral("grdFileGroup"));
    grdFileGroup->SetColCount(4);
    grdFileGroup->SetRowCount(2);
    grdFileGroup->SetFixedRows(1);
    grdFileGroup->SetFixedCols(0);
    grdFileGroup->SetHeader({QStringLiteral("名前"), QStringLiteral("ファイル"), QStringLiteral("読み取り専用"),
                             QStringLiteral("デフォルト")});
    const int widths[] = {150, 150, 100, 100};
    for (int c = 0; c < 4; ++c)
        grdFileGroup->SetColWidths(c, widths[c]);
    grdFileGroup->SetGridMode(TqvGridEditorMode::geAccess);
    grdFileGroup->SetEditStyles(2, TqvGridEditStyle::geCheckBox);
    grdFileGroup->SetEditStyles(3, TqvGridEditStyle::geCheckBox);
    grdFileGroup->OnSelectCell = [this](int c, int r) {
        // Names of existing groups and the file count are fixed; PRIMARY is never read-only.
        grdFileGroup->SetEditStyles(2, r == 1 ? TqvGridEditStyle::geViewCheckBox : TqvGridEditStyle::geCheckBox);
        const bool editable = !(c == 1 || (c == 0 && r <= m_groupRows));
        grdFileGroup->SetGridOptions(editable ? grdFileGroup->GridOptions() | goEditing
                                              : grdFileGroup->GridOptions() & ~goEditing);
        return true;
    };
    grdFileGroup->OnSetEditText = [this](TqvStringGrid*, int c, int r, const QString& value) {
        if (c == 3 && value == QLatin1String("1")) {
            // At most one default group, never read-only.
            grdFileGroup->SetCells(2, r, QStringLiteral("0"));
            for (int o = 1; o < grdFileGroup->RowCount(); ++o)
                if (o != r && !grdFileGroup->Cells(0, o).isEmpty())
                    grdFileGroup->SetCells(3, o, QStringLiteral("0"));
        }
        if (r == grdFileGroup->RowCount() - 1 && !value.trimmed().isEmpty() && value != QLatin1String("0"))
            grdFileGroup->SetRowCount(grdFileGroup->RowCount() + 1);
        if (!m_filling && grdFileGroup->IsChanged())
            MarkModified();
    };
    l->addWidget(grdFileGroup, 1);
    pagObject->insertTab(1, tabFileGrp, QStringLiteral("ファイルグループ"));
}

void Tfrmdb::BuildOptions()
{
    taboption = new QWidget(pagObject);
    taboption->setObjectName(QStringLiteral("taboption"));
    auto* l = new QVBoxLayout(taboption);
    l->setContentsMargins(8, 8, 8, 8);
    auto* access = new QGroupBox(taboption);
    auto* al = new QVBoxLayout(access);
    ChkAccess = new TqvCheckBox(access);
    ChkAccess->setText(QStringLiteral("アクセスを制限する"));
    radbtnsingle = new TqvRadioButton(access);
    radbtnsingle->setText(QStringLiteral("シングルユーザー"));
    radbtndbowner = new TqvRadioButton(access);
    radbtndbowner->setText(QStringLiteral("dbowner、dbcreator、またはsysadminのメンバ"));
    chkReadOnly = new TqvCheckBox(access);
    chkReadOnly->setText(QStringLiteral("読み取り専用"));
    al->addWidget(ChkAccess);
    al->addWidget(radbtnsingle);
    al->addWidget(radbtndbowner);
    al->addWidget(chkReadOnly);
    l->addWidget(access);
    connect(ChkAccess, &QAbstractButton::toggled, this, [this](bool on) {
        radbtnsingle->setEnabled(on);
        radbtndbowner->setEnabled(on);
    });

    auto* form = new QFormLayout;
    cmbBkMode = new TqvComboBox(taboption);
    cmbBkMode->setObjectName(QStringLiteral("cmbBkMode"));
    cmbBkMode->addItems({QStringLiteral("完全"), QStringLiteral("一括"), QStringLiteral("単純")});
    cmbGokan = new TqvComboBox(taboption);
    cmbGokan->setObjectName(QStringLiteral("cmbGokan"));
    cmbContainment = new TqvComboBox(taboption);
    cmbContainment->setObjectName(QStringLiteral("cmbContainment"));
    lblContainment = Label(QStringLiteral("コンテインメント"), taboption);
    form->addRow(QStringLiteral("復旧モデル"), cmbBkMode);
    form->addRow(QStringLiteral("互換性レベル"), cmbGokan);
    form->addRow(lblContainment, cmbContainment);
    l->addLayout(form);

    GrpSettei = new QGroupBox(QStringLiteral("設定"), taboption);
    auto* gl = new QGridLayout(GrpSettei);
    const auto box = [this](const char* text) {
        auto* b = new TqvCheckBox(GrpSettei);
        b->setText(QString::fromUtf8(text));
        TrackChanges(b);
        return b;
    };
    chkAnsiNull = box("ANSI NULL 規定値");
    chkTrigger = box("再帰トリガ");
    chkAutoUpdate = box("統計の自動更新");
    chkPageVerify = box("破損ページの検出");
    chkAutoShrink = box("自動圧縮");
    chkAutoCreate = box("統計の自動作成");
    chkAutoClose = box("自動開始");
    chkQuote = box("引用符で囲まれた識別子を使用");
    const TqvCheckBox* boxes[] = {chkAnsiNull, chkTrigger, chkAutoUpdate, chkPageVerify,
                                  chkAutoShrink, chkAutoCreate, chkAutoClose, chkQuote};
    for (int i = 0; i < 8; ++i)
        gl->addWidget(const_cast<TqvCheckBox*>(boxes[i]), i % 4, i / 4);
    l->addWidget(GrpSettei);

    grdSetting = new TqvStringGrid(taboption);
    grdSetting->setObjectName(QStringLiteral("grdSetting"));
    grdSetting->SetColCount(2);
    grdSetting->SetRowCount(2);
    grdSetting->SetFixedRows(1);
    grdSetting->SetFixedCols(0);
    grdSetting->SetHeader({QStringLiteral("設定項目"), QStringLiteral("設定値")});
    grdSetting->SetColWidths(0, 260);
    grdSetting->SetColWidths(1, 240);
    grdSetting->SetGridMode(TqvGridEditorMode::geAccess);
    grdSetting->OnSelectCell = [this](int c, int r) {
        const QString caption = grdSetting->Cells(0, r);
        const bool editable = c == 1 && OptionEditable(caption, txtName->text(), cmbContainment->currentIndex() == 1);
        const OptionRowDef* def = FindOptionRow(caption);
        grdSetting->SetEditStyles(1, def && def->edit == OptionEdit::Free ? TqvGridEditStyle::geSimple
                                                                          : TqvGridEditStyle::gePickList);
        grdSetting->SetGridOptions(editable ? grdSetting->GridOptions() | goEditing
                                            : grdSetting->GridOptions() & ~goEditing);
        return true;
    };
    grdSetting->OnGetPickListitems = [this](int, int r, QStringList& items) {
        const QString caption = grdSetting->Cells(0, r);
        const OptionRowDef* def = FindOptionRow(caption);
        items = OptionPickList(caption, def && def->column == QLatin1String("DefaultLanguageLcid") ? Languages()
                                                                                                  : QStringList());
    };
    grdSetting->OnSetEditText = [this](TqvStringGrid*, int, int, const QString&) {
        if (!m_filling && grdSetting->IsChanged())
            MarkModified();
    };
    l->addWidget(grdSetting, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{ChkAccess, radbtnsingle, radbtndbowner, chkReadOnly, cmbBkMode,
                                                      cmbGokan, cmbContainment})
        TrackChanges(w);
    pagObject->insertTab(2, taboption, QStringLiteral("オプション"));
}

QStringList Tfrmdb::FirstColumn(const QString& sql, const QStringList& params)
{
    db::Query* q = params.isEmpty() ? Session()->OpenSQL(sql) : Session()->OpenSQL(sql, params);
    QStringList out;
    for (q->First(); !q->Eof(); q->Next())
        out << q->Fields().at(0)->AsString();
    q->Close();
    return out;
}

// Opening: the lists, the new database's defaults and the layout of the connection.
void Tfrmdb::Prepare()
{
    m_filling = true;
    const QSignalBlocker b1(cmbSize), b2(cmbEdition);
    TObjectSession* s = Session();
    const Target t = TargetOf();
    cmbBkMode->setCurrentIndex(0);
    m_levels = CompatLevels(t.serverVersion, t.azure);
    cmbGokan->clear();
    for (int level : m_levels)
        cmbGokan->addItem(CompatCaption(level));
    cmbGokan->setCurrentIndex(DefaultCompatIndex(t.serverVersion, t.azure));
    if (t.azure) {
        pnlAll->hide();
        pagObject->setTabVisible(pagObject->indexOf(tabFileGrp), false);
        cmbUser->setEditText(s->g_UserID);
        cmbUser->setEnabled(false);
        for (QWidget* w : std::initializer_list<QWidget*>{ChkAccess, radbtnsingle, radbtndbowner, chkReadOnly,
                                                          cmbBkMode, cmbGokan, GrpSettei})
            w->setEnabled(false);
        grdSetting->hide();
        lblContainment->hide();
        cmbContainment->hide();
        m_filling = false;
        return;
    }
    pnlAzure->hide();
    cmbUser->addItems(FirstColumn(OwnerListQuery()));
    cmbUser->model()->sort(0);
    cmbUser->setEditText(s->g_UserID);
    cmbSyogo->addItems(FirstColumn(QStringLiteral("select * from ::fn_helpcollations()")));
    const QStringList serverCollation = FirstColumn(QStringLiteral("select serverproperty('collation')"));
    cmbSyogo->setCurrentIndex(std::max(0, int(cmbSyogo->findText(serverCollation.value(0)))));
    chkFullTextIndex->setEnabled(FirstColumn(QStringLiteral("select serverproperty('IsFullTextInstalled')")).value(0) ==
                                 QLatin1String("1"));
    m_rootDir = FirstColumn(RootDirQuery()).value(0);
    ShowFiles(NewFileRows(m_rootDir, QString()));
    ShowGroups(NewGroupRows());
    ChkAccess->setChecked(false);
    radbtnsingle->setEnabled(false);
    radbtndbowner->setEnabled(false);
    radbtndbowner->setChecked(true);
    chkReadOnly->setChecked(false);
    const bool grid = t.connVersion >= 9;
    for (QWidget* w : std::initializer_list<QWidget*>{GrpSettei, ChkAccess->parentWidget()})
        w->setVisible(!grid);
    grdSetting->setVisible(grid);
    lblContainment->setVisible(t.connVersion >= 11);
    cmbContainment->setVisible(t.connVersion >= 11);
    if (t.connVersion >= 11)
        cmbContainment->addItems({QStringLiteral("なし"), QStringLiteral("部分")});
    chkAutoUpdate->setChecked(true);
    chkPageVerify->setChecked(true);
    chkAutoCreate->setChecked(true);
    if (grid)
        ShowOptionRows(NewOptionValues(t.connVersion));
    if (!m_owner.isEmpty()) {
        const int i = cmbUser->findText(m_owner);
        if (i >= 0)
            cmbUser->setCurrentIndex(i);
        else
            cmbUser->setEditText(m_owner);
    }
    m_filling = false;
}

Target Tfrmdb::TargetOf() const
{
    Target t;
    TObjectSession* s = Session();
    t.azure = IsAzure();
    t.connVersion = s ? s->DBVer : 99;
    t.serverVersion = s && s->dmSQLServer ? s->dmSQLServer->GetDBVersion() : 99;
    t.sessionLogin = s ? s->g_UserID : QString();
    return t;
}

void Tfrmdb::ShowFiles(const QList<FileRow>& rows)
{
    const bool filling = m_filling;
    m_filling = true;
    grdFile->SetRowCount(int(rows.size()) + 2);
    for (int r = 0; r < rows.size(); ++r) {
        const FileRow& f = rows[r];
        grdFile->SetRows(r + 1, {f.logical, f.kind, f.group, f.sizeMb, f.folder, f.fileName, f.growth, f.growthKind,
                                 f.maxPages});
    }
    grdFile->SetRows(grdFile->RowCount() - 1, QStringList(9, QString()));
    grdFile->SetRow(1);
    grdFile->SetCol(0);
    grdFile->SetLeftCol(0);
    m_filling = filling;
    m_growthRow = 1;
    ShowGrowth(1);
}

void Tfrmdb::ShowGroups(const QList<GroupRow>& rows)
{
    grdFileGroup->SetRowCount(int(rows.size()) + 2);
    for (int r = 0; r < rows.size(); ++r)
        grdFileGroup->SetRows(r + 1, {rows[r].name, rows[r].files, rows[r].readOnly, rows[r].isDefault});
    grdFileGroup->SetRows(grdFileGroup->RowCount() - 1, QStringList(4, QString()));
    grdFileGroup->SetCol(0);
    grdFileGroup->SetLeftCol(0);
}

void Tfrmdb::ShowOptionRows(const QList<OptionValue>& values)
{
    grdSetting->SetRowCount(int(values.size()) + 1);
    for (int r = 0; r < values.size(); ++r)
        grdSetting->SetRows(r + 1, {values[r].caption, values[r].value});
    grdSetting->SetCol(0);
    grdSetting->SetLeftCol(0);
}

static FileRow GridFileRow(TqvStringGrid* g, int r)
{
    return FileRow{g->Cells(0, r), g->Cells(1, r), g->Cells(2, r), g->Cells(3, r), g->Cells(4, r),
                   g->Cells(5, r), g->Cells(6, r), g->Cells(7, r), g->Cells(8, r)};
}

void Tfrmdb::ShowGrowth(int row)
{
    m_growthRow = row;
    if (row < 1 || row >= grdFile->RowCount())
        return;
    const Growth g = ShowFileGrowth(GridFileRow(grdFile, row));
    const bool filling = m_filling;
    m_filling = true;
    chkAutoExt->setChecked(g.autoGrow);
    pnlAutoExt->setEnabled(g.autoGrow);
    (g.percent ? radExtPercent : radExtMb)->setChecked(true);
    (g.limited ? radMaxLimited : radMaxUnlimited)->setChecked(true);
    txtPersentSize->setText(g.percentText);
    txtMbSize->setText(g.mbText);
    txtMaxsize->setText(g.maxText);
    txtPersentSize->setEnabled(g.autoGrow && g.percent);
    txtMbSize->setEnabled(g.autoGrow && !g.percent);
    txtMaxsize->setEnabled(g.autoGrow && g.limited);
    m_filling = filling;
}

void Tfrmdb::StoreGrowth()
{
    const int r = m_growthRow;
    if (m_filling || r < 1 || r >= grdFile->RowCount() - 1)
        return;
    FileRow row = GridFileRow(grdFile, r);
    Growth g;
    g.autoGrow = chkAutoExt->isChecked();
    g.percent = radExtPercent->isChecked();
    g.limited = radMaxLimited->isChecked();
    g.percentText = txtPersentSize->text();
    g.mbText = txtMbSize->text();
    g.maxText = txtMaxsize->text();
    StoreFileGrowth(g, row);
    grdFile->SetCells(fcGrowth, r, row.growth);
    grdFile->SetCells(fcGrowthKind, r, row.growthKind);
    grdFile->SetCells(fcMax, r, row.maxPages);
}

// The default logical names of a new database follow its name.
void Tfrmdb::NameChanged()
{
    if (!IsNew() || IsAzure() || grdFile->RowCount() < 4)
        return;
    grdFile->SetCells(fcLogical, 1, txtName->text());
    grdFile->SetCells(fcLogical, 2, txtName->text() + QStringLiteral("_log"));
}

QString Tfrmdb::LcidOf(const QString& alias)
{
    try {
        return FirstColumn(LanguageLcidQuery(alias)).value(0);
    } catch (const std::exception&) {
        return {};
    }
}

QString Tfrmdb::AliasOf(const QString& lcid)
{
    try {
        return FirstColumn(LanguageAliasQuery(lcid)).value(0);
    } catch (const std::exception&) {
        return {};
    }
}

QStringList Tfrmdb::Languages()
{
    if (m_languages.isEmpty()) {
        try {
            m_languages = FirstColumn(LanguageListQuery());
        } catch (const std::exception&) {
        }
    }
    return m_languages;
}

Definition Tfrmdb::ReadDefinition() const
{
    Definition d;
    d.name = txtName->text().trimmed();
    d.owner = cmbUser->currentText().trimmed();
    d.ownerIndex = cmbUser->findText(d.owner);
    d.collation = cmbSyogo->currentText();
    d.collationIndex = cmbSyogo->currentIndex();
    d.fullText = chkFullTextIndex->isChecked();
    for (int r = 1; r < grdFile->RowCount(); ++r) {
        const FileRow f = GridFileRow(grdFile, r);
        if (!f.IsBlank() || !f.fileName.trimmed().isEmpty())
            d.files << f;
    }
    for (int r = 1; r < grdFileGroup->RowCount(); ++r)
        if (!grdFileGroup->Cells(0, r).trimmed().isEmpty())
            d.groups << GroupRow{grdFileGroup->Cells(0, r), grdFileGroup->Cells(1, r), grdFileGroup->Cells(2, r),
                                 grdFileGroup->Cells(3, r)};
    d.recovery = cmbBkMode->currentIndex();
    d.compatIndex = cmbGokan->currentIndex();
    d.containment = cmbContainment->currentIndex() == 1 ? 1 : 0;
    if (grdSetting->isVisibleTo(taboption) || !grdSetting->isHidden())
        for (int r = 1; r < grdSetting->RowCount(); ++r)
            if (!grdSetting->Cells(0, r).isEmpty())
                d.options << OptionValue{grdSetting->Cells(0, r), grdSetting->Cells(1, r)};
    d.ansiNull = chkAnsiNull->isChecked();
    d.recursiveTriggers = chkTrigger->isChecked();
    d.autoUpdate = chkAutoUpdate->isChecked();
    d.tornPage = chkPageVerify->isChecked();
    d.autoShrink = chkAutoShrink->isChecked();
    d.autoCreate = chkAutoCreate->isChecked();
    d.autoClose = chkAutoClose->isChecked();
    d.quotedIdentifier = chkQuote->isChecked();
    d.readOnly = chkReadOnly->isChecked();
    d.restrictAccess = ChkAccess->isChecked();
    d.singleUser = radbtnsingle->isChecked();
    d.sizeIndex = cmbSize->currentIndex();
    d.editionIndex = cmbEdition->currentIndex();
    return d;
}

void Tfrmdb::LoadFiles()
{
    TObjectSession* s = Session();
    const QString name = txtName->text().trimmed();
    db::Query* q = s->OpenSQL(FileQuery(name));
    QList<FileRow> rows;
    for (q->First(); !q->Eof(); q->Next()) {
        FileRow f;
        f.logical = q->FieldByName(QStringLiteral("name"))->AsString().trimmed();
        f.kind = q->FieldByName(QStringLiteral("filekind"))->AsString().trimmed() != QLatin1String("0") ? LogKind
                                                                                                         : DataKind;
        f.group = q->FieldByName(QStringLiteral("group_name"))->AsString();
        if (f.group.isEmpty())
            f.group = NoGroup;
        f.sizeMb = PagesToMb(q->FieldByName(QStringLiteral("size"))->AsString());
        const QString path = q->FieldByName(QStringLiteral("filename"))->AsString().trimmed();
        const int slash = int(path.lastIndexOf(QLatin1Char('\\')));
        f.folder = path.left(slash + 1);
        f.fileName = path.mid(slash + 1).trimmed();
        f.growth = q->FieldByName(QStringLiteral("growth"))->AsString();
        f.growthKind = q->FieldByName(QStringLiteral("persentgrowth"))->AsString();
        f.maxPages = q->FieldByName(QStringLiteral("maxsize"))->AsString();
        rows << f;
    }
    q->Close();
    ShowFiles(rows);
    q = s->OpenSQL(FileGroupQuery());
    QList<GroupRow> groups;
    for (q->First(); !q->Eof(); q->Next()) {
        const QString count = q->FieldByName(QStringLiteral("cnt"))->AsString();
        groups << GroupRow{q->FieldByName(QStringLiteral("groupname"))->AsString(),
                           count.isEmpty() ? QStringLiteral("0") : count,
                           q->FieldByName(QStringLiteral("readonly"))->AsString(),
                           q->FieldByName(QStringLiteral("def"))->AsString()};
    }
    q->Close();
    ShowGroups(groups);
}

void Tfrmdb::LoadOptions()
{
    const Target t = TargetOf();
    const QString name = txtName->text().trimmed();
    db::Query* q = Session()->OpenSQL(OptionQuery(t.connVersion), {name});
    if (q->Eof()) {
        q->Close();
        return;
    }
    QVariantMap row;
    for (int i = 0; i < q->FieldCount(); ++i)
        row.insert(q->Fields().at(i)->FieldName(), q->Fields().at(i)->IsNull() ? QVariant() : QVariant(q->Fields().at(i)->AsString()));
    q->Close();
    chkFullTextIndex->setChecked(row.value(QStringLiteral("FulltextIndex")).toString() == QLatin1String("ON"));
    const int recovery = row.value(QStringLiteral("RecoveryModel")).toInt();
    if (recovery >= 1 && recovery <= 3)
        cmbBkMode->setCurrentIndex(recovery - 1);
    cmbGokan->setCurrentIndex(CompatIndexOfLevel(m_levels, row.value(QStringLiteral("cmptlevel")).toInt()));
    if (t.connVersion < 9)
        return;
    QString varDecimal;
    if (t.connVersion >= 10) {
        try {
            db::Query* v = Session()->OpenSQL(VarDecimalQuery(name));
            if (!v->Eof())
                varDecimal = v->FieldByName(QStringLiteral("Vardecimal State"))->AsString();
            v->Close();
        } catch (const std::exception&) {
        }
    }
    bool partial = false;
    const QList<OptionValue> values =
        OptionValuesFromRow(t.connVersion, row, partial, [this](const QString& lcid) { return AliasOf(lcid); }, varDecimal);
    if (t.connVersion >= 11)
        cmbContainment->setCurrentIndex(partial ? 1 : 0);
    ShowOptionRows(values);
}

void Tfrmdb::ShowData(bool isDrop)
{
    WaitCursor cursor;
    m_filling = true;
    try {
        m_languages.clear();
        if (!IsNew()) {
            cmbUser->setEnabled(false);
            cmbUser->setEditText(m_owner);
            if (int i = cmbUser->findText(m_owner); i >= 0)
                cmbUser->setCurrentIndex(i);
            const QStringList collation = FirstColumn(CollationQuery(IsAzure()), {txtName->text().trimmed()});
            if (collation.isEmpty()) {
                if (SourceMode == smShow)
                    Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
                Abort();
            }
            cmbSyogo->setCurrentIndex(std::max(0, int(cmbSyogo->findText(collation.value(0)))));
            if (!IsAzure()) {
                LoadFiles();
                LoadOptions();
            }
        }
        for (TqvStringGrid* g : {grdFile, grdFileGroup, grdSetting})
            g->Save();
        m_saved = ReadDefinition();
        if (SourcePageActive() || SourceMode == smText)
            SetSourceLines(isDrop ? GetDropScript() : GetCreateScript());
        else if (pagObject->currentWidget() == tabGrant)
            fraGrant->ShowData(txtName->text().trimmed(), QString(), QString());
    } catch (...) {
        m_filling = false;
        m_groupRows = grdFileGroup->RowCount() - 2;
        SetModified(false);
        throw;
    }
    m_filling = false;
    m_groupRows = grdFileGroup->RowCount() - 2;
    SetModified(false);
}

void Tfrmdb::ChangedIsNew()
{
    TfrmDefine::ChangedIsNew();
    if (ScriptMode())
        return;
    if (!IsNew())
        setWindowTitle(Caption(OwnerForm() ? OwnerForm()->connectionWidget() : nullptr, m_owner, txtName->text()));
    cmbUser->setEnabled(!IsAzure());
    if (IsAzure()) {
        // Azure has no files or options here; its privileges can be edited only in the
        // connection's own database.
        const QSignalBlocker block(pagObject);
        pagObject->setTabVisible(pagObject->indexOf(tabFileGrp), false);
        pagObject->setTabVisible(pagObject->indexOf(taboption), false);
        if (!IsNew() && OwnerForm() && OwnerForm()->DataBase().toLower() != txtName->text().trimmed().toLower())
            pagObject->setTabVisible(pagObject->indexOf(tabGrant), false);
    }
}

QList<QWidget*> Tfrmdb::ExistingOnlyPages()
{
    QList<QWidget*> pages{tabSource, tabGrant};
    if (!IsAzure())
        pages << taboption;
    return pages;
}

void Tfrmdb::CheckNames()
{
    if (txtName->text().trimmed().isEmpty())
        Warn(QStringLiteral("名前を入力して下さい。"), txtName);
}

void Tfrmdb::CheckDefinition()
{
    if (IsAzure())
        return;
    StoreGrowth();
    QList<FileRow> rows;
    for (int r = 1; r < grdFile->RowCount(); ++r)
        rows << GridFileRow(grdFile, r);
    const FileCheck check = ValidateFiles(rows);
    // A row without growth takes the controls' values.
    ShowFiles(rows);
    if (!check.ok) {
        pagObject->setCurrentWidget(tabDefine);
        if (check.row > 0) {
            grdFile->SetRow(check.row);
            grdFile->SetCol(check.column);
        }
        Warn(check.message, grdFile);
    }
}

QStringList Tfrmdb::GetCreateScript()
{
    WaitCursor cursor;
    const QStringList lines =
        CreateScript(ReadDefinition(), TargetOf(), [this](const QString& alias) { return LcidOf(alias); });
    m_owner = cmbUser->currentText().trimmed();
    return lines;
}

QStringList Tfrmdb::GetAlterScript()
{
    WaitCursor cursor;
    return AlterScript(
        ReadDefinition(), m_saved, TargetOf(), [this](const QString& alias) { return LcidOf(alias); },
        [this](const QString& group) {
            return FirstColumn(ReadOnlyGroupQuery(group)).value(0).trimmed() == QLatin1String("1");
        });
}

QStringList Tfrmdb::GetDropScript() const
{
    const bool use = SourceMode == smShow ||
                     ((ScriptOption.Database == 0 || ScriptOption.Database == 1) && !IsAzure());
    return DropScript(txtName->text(), use);
}

QStringList Tfrmdb::GetDDL()
{
    if (SourcePageActive())
        return SourceLines();
    QStringList lines = IsNew() ? GetCreateScript() : GetAlterScript();
    // The privileges run in the database itself: the ALTER script may have switched to master.
    if (pagObject->currentWidget() == tabGrant)
        lines << fraGrant->GetDDL();
    return lines;
}

QStringList Tfrmdb::ScriptText(bool isDrop) { return isDrop ? GetDropScript() : GetCreateScript(); }

void Tfrmdb::PreviewTarget(QString& database, QString& schema, QString& name)
{
    database.clear();
    schema = cmbUser->currentText().trimmed();
    name = txtName->text().trimmed();
}

void Tfrmdb::GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
{
    std::unique_ptr<Tfrmdb> w(new Tfrmdb(owner ? owner->connectionWidget() : nullptr, QString(), request.schema,
                                         request.name, omDefine, true));
    w->WriteScriptTo(stream);
    Abort();
}

} // namespace qv
