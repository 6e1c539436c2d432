#include "objects/sequence_window.h"

#include "app/connection_window_iface.h"
#include "app/message_box.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "objects/kept_grants.h"
#include "objects/object_pages.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_text.h"

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
DefineKind SeqKind()
{
    DefineKind k;
    k.windowClass = &TfrmSeq::staticMetaObject;
    k.objType = 58;
    k.word = QStringLiteral("SEQUENCE");
    k.settingsKey = QStringLiteral("SEQ");
    k.menuTitle = QStringLiteral("SEQUENCE(&O)");
    k.hasSchema = true;
    k.hasSource = true;
    return k;
}

// A number of the definition page that the add action compares as a 64-bit integer.
qint64 Int64Of(const QString& text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw Exception(QStringLiteral("'%1' は有効な整数ではありません。").arg(text.trimmed()));
    return v;
}
} // namespace

TfrmSeq::TfrmSeq(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                 TOpenMode mode)
    : TfrmSeq(owner, database, schema, objectName, mode, false)
{
}

TfrmSeq::TfrmSeq(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                 TOpenMode mode, bool scriptMode)
    : TfrmDefine(owner, SeqKind(), DefineArgs{database, schema, objectName, mode}, scriptMode)
{
    setObjectName(QStringLiteral("frmSeq"));
    BuildDefinePage();
    BuildPages();
    Start();
    UpdateSeqActions();
}

void TfrmSeq::BuildDefinePage()
{
    actInc = new QAction(QStringLiteral("加算(&I)"), this);
    actInc->setToolTip(QStringLiteral("SEQUENCEの現在値に増分値を加算します。"));
    actInc->setStatusTip(actInc->toolTip());
    connect(actInc, &QAction::triggered, this, [this] { Guard([this] { actIncExecute(); }); });
    actReset = new QAction(QStringLiteral("リセット"), this);
    actReset->setToolTip(QStringLiteral("SEQUENCEの現在値を初期値に設定します。"));
    actReset->setStatusTip(actReset->toolTip());
    connect(actReset, &QAction::triggered, this, [this] { Guard([this] { actResetExecute(); }); });
    // The menu: create and delete, a separator and the add action.
    mnuTool->clear();
    mnuTool->addActions({actCompile, actDelete});
    mnuTool->addSeparator();
    mnuTool->addAction(actInc);

    auto* grid = new QGridLayout(tabDefine);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    const auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, tabDefine);
        l->setBuddy(buddy);
        return l;
    };
    const auto number = [this](const QString& name, bool minus) {
        auto* e = new TqvNumEdit(tabDefine);
        e->setObjectName(name);
        e->setAllowMinus(minus);
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("-99999999999999999999")) + 12);
        connect(e, &QLineEdit::textChanged, this, [this, e] { NumberChanged(e); });
        return e;
    };

    pnlCurrent = new QLabel(tabDefine);
    pnlCurrent->setObjectName(QStringLiteral("pnlCurrent"));
    pnlCurrent->setFrameShape(QFrame::Panel);
    pnlCurrent->setFrameShadow(QFrame::Sunken);
    pnlCurrent->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblCurrent = label(QStringLiteral("現 在 値"), pnlCurrent);
    btnInc = new QPushButton(actInc->text(), tabDefine);
    btnInc->setObjectName(QStringLiteral("btnInc"));
    btnInc->setToolTip(actInc->toolTip());
    connect(btnInc, &QPushButton::clicked, actInc, &QAction::trigger);
    btnReset = new QPushButton(actReset->text(), tabDefine);
    btnReset->setObjectName(QStringLiteral("btnReset"));
    btnReset->setToolTip(actReset->toolTip());
    connect(btnReset, &QPushButton::clicked, actReset, &QAction::trigger);
    auto* current = new QHBoxLayout;
    current->addWidget(pnlCurrent, 1);
    current->addWidget(btnInc);
    current->addWidget(btnReset);

    cmbDataType = new TqvDropDownCombo(tabDefine);
    cmbDataType->setObjectName(QStringLiteral("cmbDataType"));
    cmbDataType->setEditable(true);
    cmbDataType->setMinimumContentsLength(12);
    cmbDataType->setEditText(QStringLiteral("bigint"));
    cmbDataType->OnDropDown = [this] { cmbDataTypeDropDown(); };
    connect(cmbDataType, &QComboBox::currentTextChanged, this, [this] { cmbDataTypeOnChange(); });
    txtPrecision = number(QStringLiteral("txtPrecision"), false);
    txtPrecision->setMaxLength(2);
    txtPrecision->setText(QStringLiteral("19"));
    txtPrecision->setEnabled(false);
    txtLastNo = number(QStringLiteral("txtLastNo"), true);
    txtInc = number(QStringLiteral("txtInc"), true);
    txtInc->setText(QStringLiteral("1"));
    txtMin = number(QStringLiteral("txtMin"), true);
    txtMax = number(QStringLiteral("txtMax"), true);
    chkNoMin = new TqvCheckBox(QStringLiteral("NoMinValue"), tabDefine);
    chkNoMin->setObjectName(QStringLiteral("chkNoMin"));
    chkNoMin->setChecked(true);
    chkNomax = new TqvCheckBox(QStringLiteral("NoMaxValue"), tabDefine);
    chkNomax->setObjectName(QStringLiteral("chkNomax"));
    chkNomax->setChecked(true);
    txtMin->setEnabled(false);
    txtMax->setEnabled(false);
    connect(chkNoMin, &QCheckBox::toggled, this, [this](bool on) { txtMin->setEnabled(!on); });
    connect(chkNomax, &QCheckBox::toggled, this, [this](bool on) { txtMax->setEnabled(!on); });
    chkCycle = new TqvCheckBox(QStringLiteral("循　　環"), tabDefine);
    chkCycle->setObjectName(QStringLiteral("chkCycle"));

    rdoCacheDefault = new TqvRadioButton(QStringLiteral("既定値"), tabDefine);
    rdoCacheDefault->setObjectName(QStringLiteral("rdoCacheDefault"));
    rdoCacheSpecified = new TqvRadioButton(QStringLiteral("指定値"), tabDefine);
    rdoCacheSpecified->setObjectName(QStringLiteral("rdoCacheSpecified"));
    rdoCacheNothing = new TqvRadioButton(QStringLiteral("なし"), tabDefine);
    rdoCacheNothing->setObjectName(QStringLiteral("rdoCacheNothing"));
    auto* cacheGroup = new QButtonGroup(this);
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(rdoCacheDefault), static_cast<QAbstractButton*>(rdoCacheSpecified),
                               static_cast<QAbstractButton*>(rdoCacheNothing)})
        cacheGroup->addButton(b);
    rdoCacheDefault->setChecked(true);
    txtCacheSize = number(QStringLiteral("txtCacheSize"), false);
    txtCacheSize->setText(QStringLiteral("20"));
    txtCacheSize->setEnabled(false);
    connect(rdoCacheSpecified, &QAbstractButton::toggled, this, [this](bool on) { txtCacheSize->setEnabled(on); });
    auto* cache = new QHBoxLayout;
    cache->addWidget(rdoCacheDefault);
    cache->addWidget(rdoCacheSpecified);
    cache->addWidget(rdoCacheNothing);
    cache->addStretch(1);

    int row = 0;
    grid->addWidget(lblCurrent, row, 0);
    grid->addLayout(current, row++, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("データ型"), cmbDataType), row, 0);
    grid->addWidget(cmbDataType, row, 1);
    grid->addWidget(label(QStringLiteral("有効桁数"), txtPrecision), row, 2);
    grid->addWidget(txtPrecision, row++, 3);
    grid->addWidget(label(QStringLiteral("初 期 値"), txtLastNo), row, 0);
    grid->addWidget(txtLastNo, row++, 1);
    grid->addWidget(label(QStringLiteral("増　　分"), txtInc), row, 0);
    grid->addWidget(txtInc, row++, 1);
    grid->addWidget(label(QStringLiteral("範囲(最小)"), txtMin), row, 0);
    grid->addWidget(txtMin, row, 1);
    grid->addWidget(chkNoMin, row++, 2, 1, 2);
    grid->addWidget(label(QStringLiteral("　　(最大)"), txtMax), row, 0);
    grid->addWidget(txtMax, row, 1);
    grid->addWidget(chkNomax, row++, 2, 1, 2);
    grid->addWidget(chkCycle, row++, 1);
    grid->addWidget(label(QStringLiteral("キャッシュ"), rdoCacheDefault), row, 0);
    grid->addLayout(cache, row++, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("キャッシュサイズ"), txtCacheSize), row, 0);
    grid->addWidget(txtCacheSize, row++, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(row, 1);

    for (QWidget* c : std::initializer_list<QWidget*>{txtPrecision, txtLastNo, txtInc, txtMin, txtMax, txtCacheSize,
                                                       chkNoMin, chkNomax, chkCycle, rdoCacheDefault, rdoCacheSpecified,
                                                       rdoCacheNothing, cmbDataType})
        TrackChanges(c);
    // Add and reset follow the modified state.
    for (QLineEdit* e : {static_cast<QLineEdit*>(txtPrecision), static_cast<QLineEdit*>(txtLastNo),
                         static_cast<QLineEdit*>(txtInc), static_cast<QLineEdit*>(txtMin), static_cast<QLineEdit*>(txtMax),
                         static_cast<QLineEdit*>(txtCacheSize), static_cast<QLineEdit*>(txtName)})
        connect(e, &QLineEdit::textChanged, this, [this] { UpdateSeqActions(); });
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(chkNoMin), static_cast<QAbstractButton*>(chkNomax),
                               static_cast<QAbstractButton*>(chkCycle), static_cast<QAbstractButton*>(rdoCacheDefault),
                               static_cast<QAbstractButton*>(rdoCacheSpecified),
                               static_cast<QAbstractButton*>(rdoCacheNothing)})
        connect(b, &QAbstractButton::toggled, this, [this] { UpdateSeqActions(); });
    connect(cmbSchema, &QComboBox::currentTextChanged, this, [this] { UpdateSeqActions(); });
}

void TfrmSeq::BuildPages()
{
    tabGrant = NewGrantPage(pagObject);
    pagObject->addTab(tabGrant, QStringLiteral("権限"));
    tabCross = NewCrossPage(pagObject);
    pagObject->addTab(tabCross, QStringLiteral("依存関係"));
}

QString TfrmSeq::Database() const { return cmbDatabase->currentText().trimmed(); }
QString TfrmSeq::Schema() const { return cmbSchema->currentText().trimmed(); }
QString TfrmSeq::Name() const { return txtName->text().trimmed(); }

QWidget* TfrmSeq::PageForMode(TOpenMode mode)
{
    switch (mode) {
    case omSource: return tabSource;
    case omCross: return tabCross;
    case omGrant: return tabGrant;
    default: return tabDefine;
    }
}

QList<QWidget*> TfrmSeq::ExistingOnlyPages() { return {tabSource, tabGrant, tabCross}; }

bool TfrmSeq::IsCreate() const { return IsNew() || SourceMode == smText || SourcePageActive(); }

void TfrmSeq::ChangedIsNew()
{
    // A new sequence's schema and name are typed in upper case; an existing one keeps the
    // names of the catalog (on a case-sensitive collation they are different names).
    const CharCase c = IsNew() ? CharCase::Upper : CharCase::Normal;
    cmbSchema->setCharCase(c);
    txtName->setCharCase(c);
    TfrmDefine::ChangedIsNew();
    if (ScriptMode())
        return;
    for (QWidget* w : {static_cast<QWidget*>(lblCurrent), static_cast<QWidget*>(pnlCurrent),
                       static_cast<QWidget*>(btnInc), static_cast<QWidget*>(btnReset)})
        w->setVisible(!IsNew());
    rdoCacheSpecified->setEnabled(!IsNew());
    UpdateSeqActions();
}

void TfrmSeq::UpdateSeqActions()
{
    const bool on = !IsNew() && !Modified() && !ScriptMode();
    actInc->setEnabled(on);
    actReset->setEnabled(on);
    btnInc->setEnabled(on);
    btnReset->setEnabled(on);
}

void TfrmSeq::NumberChanged(TqvNumEdit* edit)
{
    // The fields hold whole numbers: a typed point goes ("1.5" leaves "15").
    if (edit->text().contains(QLatin1Char('.')))
        edit->setText(seq::WithoutPoints(edit->text()));
}

void TfrmSeq::cmbDataTypeDropDown()
{
    Session()->GetDataType(FDataType, 58);
    cmbDataType->clear();
    cmbDataType->addItems(FDataType);
}

void TfrmSeq::cmbDataTypeOnChange()
{
    if (m_filling || !IsNew())
        return;
    const QString type = cmbDataType->currentText();
    const seq::TypeDefaults d = seq::DefaultsFor(type);
    txtPrecision->setText(d.precision);
    txtMin->setText(d.minimum);
    txtMax->setText(d.maximum);
    txtPrecision->setEnabled(!seq::IsIntegerType(type));
}

seq::Definition TfrmSeq::Current() const
{
    seq::Definition d;
    d.type = cmbDataType->currentText().trimmed();
    d.precision = txtPrecision->text();
    d.start = txtLastNo->text();
    d.increment = txtInc->text();
    d.minimum = txtMin->text();
    d.maximum = txtMax->text();
    d.noMin = chkNoMin->isChecked();
    d.noMax = chkNomax->isChecked();
    d.cycle = chkCycle->isChecked();
    d.cache = rdoCacheSpecified->isChecked() ? seq::Cache::Specified
              : rdoCacheNothing->isChecked() ? seq::Cache::None
                                             : seq::Cache::Default;
    d.cacheSize = txtCacheSize->text();
    return d;
}

bool TfrmSeq::Read(Loaded& out)
{
    db::Query* q = Session()->OpenSQL(seq::DefinitionQuery(Database()), {Schema(), Name()});
    const bool found = !q->Eof();
    if (found) {
        const auto text = [q](int i) { return q->Fields().at(i)->DisplayText().trimmed(); };
        out.current = text(0);
        out.def.minimum = text(1);
        out.def.maximum = text(2);
        out.def.increment = text(3);
        const bool cached = q->Fields().at(4)->AsBoolean();
        out.def.cacheSize = q->Fields().at(5)->IsNull() ? QString() : text(5);
        out.def.type = text(6);
        out.def.precision = text(7);
        out.def.cycle = q->Fields().at(8)->AsBoolean();
        out.def.start = text(9);
        out.systemTypeId = text(10).toInt();
        out.def.cache = !cached                      ? seq::Cache::None
                        : !out.def.cacheSize.isEmpty() ? seq::Cache::Specified
                                                       : seq::Cache::Default;
        QString lowest, highest;
        const bool known = seq::TypeLimits(out.systemTypeId, lowest, highest);
        out.def.noMin = known && out.def.minimum == lowest;
        out.def.noMax = known && out.def.maximum == highest;
    }
    q->Close();
    return found;
}

void TfrmSeq::ShowData(bool isDrop)
{
    WaitCursor cursor;
    m_filling = true;
    try {
        if (!IsNew()) {
            Loaded l;
            if (!Read(l)) {
                if (SourceMode == smShow)
                    Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
                Abort();
            }
            pnlCurrent->setText(l.current);
            cmbDataType->setEditText(l.def.type);
            txtPrecision->setText(l.def.precision);
            txtLastNo->setText(l.def.start);
            txtMin->setText(l.def.minimum);
            txtMax->setText(l.def.maximum);
            txtInc->setText(l.def.increment);
            chkCycle->setChecked(l.def.cycle);
            rdoCacheNothing->setChecked(l.def.cache == seq::Cache::None);
            rdoCacheSpecified->setChecked(l.def.cache == seq::Cache::Specified);
            rdoCacheDefault->setChecked(l.def.cache == seq::Cache::Default);
            if (l.def.cache == seq::Cache::Specified)
                txtCacheSize->setText(l.def.cacheSize);
            chkNoMin->setChecked(l.def.noMin);
            chkNomax->setChecked(l.def.noMax);
        } else if (txtMin->text().isEmpty() && txtMax->text().isEmpty()) {
            // A new window: the defaults of the type shown.
            m_filling = false;
            cmbDataTypeOnChange();
            m_filling = true;
        }
        UpdateFields();
        m_loaded = Current();
        if (SourceMode == smShow && SourcePageActive())
            SetSourceLines(isDrop ? GetSourceDrop() : GetSourceCreate());
        if (SourceMode == smShow && !IsNew()) {
            if (pagObject->currentWidget() == tabGrant)
                ShowGrantPage(tabGrant, Database(), Schema(), Name());
            else if (pagObject->currentWidget() == tabCross)
                ShowCrossPage(tabCross, Database(), Schema(), Name());
        }
    } catch (...) {
        m_filling = false;
        SetModified(false);
        throw;
    }
    m_filling = false;
    SetModified(false);
    UpdateSeqActions();
}

void TfrmSeq::UpdateFields()
{
    txtMin->setEnabled(!chkNoMin->isChecked());
    txtMax->setEnabled(!chkNomax->isChecked());
    cmbDataType->setEnabled(IsNew());
    txtPrecision->setEnabled(IsNew() && !seq::IsIntegerType(cmbDataType->currentText()));
    txtCacheSize->setEnabled(rdoCacheSpecified->isChecked());
}

QStringList TfrmSeq::GetSourceCreate() const
{
    const bool copy = !NewSchema.isEmpty() && !NewObjectName.isEmpty();
    const QString schema = copy ? NewSchema : Schema();
    const QString name = copy ? NewObjectName : Name();
    IConnectionWindow* conn = OwnerForm();
    const bool writesSwitch = seq::WritesSwitch(SourceMode == smText, ScriptOption.Database, conn && conn->IsAzure(),
                                                Database(), conn ? conn->DataBase() : QString());
    return seq::CreateText(writesSwitch ? Database() : QString(), GetSchemaPrefix(schema), name, Current());
}

QStringList TfrmSeq::GetSourceAlter() const { return seq::AlterText(Schema(), Name(), Current(), m_loaded); }

QStringList TfrmSeq::GetSourceDrop() const { return seq::DropText(Database(), Schema(), Name()); }

QStringList TfrmSeq::GetDDL()
{
    QStringList lines;
    QWidget* page = pagObject->currentWidget();
    if (page == tabGrant)
        return GrantPageSource(tabGrant);
    if (page == tabSource) {
        // An emptied editor drops nothing.
        if (IsBlankScript(SourceLines()))
            return {};
        // Re-created from its source: it goes on where the dropped one stood, and its users
        // keep their permissions.
        Loaded now;
        if (!Read(now))
            Abort();
        const QList<kept::Grant> keptGrants = kept::ReadGrants(*Session(), Database(), Schema(), Name());
        lines << GetSourceDrop() << SourceLines();
        if (!lines.isEmpty() && lines.last().trimmed().compare(QLatin1String("go"), Qt::CaseInsensitive) != 0)
            lines << QStringLiteral("go");
        lines << seq::RestartText(Schema(), Name(), now.current, now.def.increment, now.def.minimum, now.def.maximum,
                                  now.def.cycle);
        lines << kept::RegrantText(keptGrants, Schema(), Name());
        return lines;
    }
    return IsCreate() ? GetSourceCreate() : GetSourceAlter();
}

QStringList TfrmSeq::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmSeq::DeleteStatement() { return seq::DeleteStatement(Database(), Schema(), Name()); }

void TfrmSeq::actIncExecute()
{
    if (IsNew() || Modified())
        return;
    const qint64 current = Int64Of(pnlCurrent->text());
    const qint64 maximum = Int64Of(txtMax->text());
    const qint64 minimum = Int64Of(txtMin->text());
    const qint64 increment = Int64Of(txtInc->text());
    if (current >= maximum && !chkCycle->isChecked() && increment > 0) {
        Box(QStringLiteral("現在値が最大に達しているため加算できません。\n新しい値を生成できるようにリセットしてください。"),
            MB_OK | MB_ICONINFORMATION);
        Abort();
    }
    if (minimum >= current && increment < 0) {
        Box(QStringLiteral("現在値が最小に達しているため加算できません。\n新しい値を生成できるようにリセットしてください。"),
            MB_OK | MB_ICONINFORMATION);
        Abort();
    }
    {
        WaitCursor cursor;
        db::Query* q = Session()->OpenSQL(seq::NextValueStatement(Database(), Schema(), Name()));
        q->Close();
    }
    pagObjectChange();
}

void TfrmSeq::actResetExecute()
{
    if (IsNew() || Modified())
        return;
    const QString start = txtLastNo->text().trimmed();
    if (pnlCurrent->text().trimmed() == start) {
        Box(QStringLiteral("現在値と初期値が同じです。"), MB_OK | MB_ICONINFORMATION);
        Abort();
    }
    if (start.isEmpty()) {
        Box(QStringLiteral("初期値が設定されていません。"), MB_OK | MB_ICONINFORMATION);
        Abort();
    }
    if (Box(QStringLiteral("現在値を初期値に変更しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    {
        WaitCursor cursor;
        Session()->ExecuteSQL(seq::ResetStatement(Database(), Schema(), Name(), start));
    }
    pagObjectChange();
}

void TfrmSeq::GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                        const QString& objectName, QIODevice& stream, const QString& newSchema, const QString& newName)
{
    std::unique_ptr<TfrmSeq> w(
        new TfrmSeq(owner ? owner->connectionWidget() : nullptr, database, schema, objectName, omDefine, true));
    w->WriteScriptTo(stream, newSchema, newName);
    Abort();
}

} // namespace qv
