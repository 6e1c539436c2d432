#include "admin/jobs/jobs_schedule_window.h"

#include "app/connection_window_iface.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/wait_cursor.h"
#include "connection/ddl_exec.h"
#include "connection/ddl_preview.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "connection/source_history.h"
#include "controls/grid/string_grid.h"
#include "objects/resource_page.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <memory>

namespace qv {

using namespace jobs;

namespace {
DefineKind ScheduleKind()
{
    DefineKind k;
    k.windowClass = &Tfrmjobschedule::staticMetaObject;
    k.objType = 117;
    k.word = QStringLiteral("SCHEDULE");
    k.settingsKey = QStringLiteral("JOBSCHEDULE");
    k.menuTitle = QStringLiteral("SCHEDULE(&O)");
    k.hasSchema = false;
    k.hasSource = true;
    return k;
}

const QString kOnce = QStringLiteral("1回のみ");
const QString kHours = QStringLiteral("時間指定");
const QString kMinutes = QStringLiteral("分指定");

QString DateDigits(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")); }
// The time as the server reads it, whatever display format the option sets.
QString TimeDigits(const QTime& t) { return t.toString(QStringLiteral("HHmmss")); }
} // namespace

QString Tfrmjobschedule::CaptionFor(const QString& name, const QString& id, const QString& server,
                                    const QString& database)
{
    return QStringLiteral("SCHEDULE - ") + name + QStringLiteral("(ID:") + id + QStringLiteral(") @ ") + server +
           QLatin1Char('.') + database;
}

QObject* Tfrmjobschedule::CheckOpen(QObject* owner, const QString& id, const QString& name, bool scriptMode)
{
    if (scriptMode || id.isEmpty())
        return owner;
    auto* window = dynamic_cast<IConnectionWindow*>(owner);
    if (!window)
        if (auto* w = qobject_cast<QWidget*>(owner))
            window = dynamic_cast<IConnectionWindow*>(w);
    const QString caption =
        CaptionFor(name, id, window ? window->Server() : QString(), window ? window->DataBase() : QString());
    if (TfrmMain* main = TfrmMain::instance(); main && main->FindWindow(staticMetaObject, caption, true))
        Abort();
    return owner;
}

Tfrmjobschedule::Tfrmjobschedule(QObject* owner, const QString& scheduleId, const QString& objectName, TOpenMode mode)
    : Tfrmjobschedule(owner, scheduleId, objectName, mode, false)
{
}

Tfrmjobschedule::Tfrmjobschedule(QObject* owner, const QString& scheduleId, const QString& objectName, TOpenMode mode,
                                 bool scriptMode)
    : TfrmDefine(CheckOpen(owner, scheduleId, objectName, scriptMode), ScheduleKind(),
                 DefineArgs{QString(), QString(), scheduleId.isEmpty() ? QString() : objectName, mode}, scriptMode)
{
    setObjectName(QStringLiteral("frmjobschedule"));
    BuildControls();
    txtID->setText(scheduleId);
    Start();
    if (scriptMode)
        SetIsNew(scheduleId.isEmpty());
}

int Tfrmjobschedule::Version() const
{
    IConnectionWindow* conn = OwnerForm();
    return conn ? conn->DBVer() : 99;
}

void Tfrmjobschedule::BuildControls()
{
    // The name panel: "ID" (never editable) and "名前"; no database.
    lblDatabase->hide();
    cmbDatabase->hide();
    lblName->setText(QStringLiteral("\u3000名前"));
    auto* names = static_cast<QHBoxLayout*>(pnlName->layout());
    auto* lblID = new QLabel(QStringLiteral("\u3000ID"), pnlName);
    txtID = new TqvStrEdit(pnlName);
    txtID->setObjectName(QStringLiteral("txtID"));
    txtID->setEnabled(false);
    txtID->setMaximumWidth(80);
    names->insertWidget(0, lblID);
    names->insertWidget(1, txtID);

    auto* split = new QHBoxLayout(tabDefine);
    split->setContentsMargins(6, 6, 6, 6);
    auto* pnlLeft = new QWidget(tabDefine);
    pnlLeft->setObjectName(QStringLiteral("pnlLeft"));
    auto* left = new QGridLayout(pnlLeft);
    left->setContentsMargins(0, 0, 0, 0);
    int row = 0;

    chkEnabled = new TqvCheckBox(pnlLeft);
    chkEnabled->setObjectName(QStringLiteral("chkEnabled"));
    chkEnabled->setText(QStringLiteral("有効"));
    chkEnabled->setChecked(true);
    left->addWidget(chkEnabled, row++, 0, 1, 3);

    cmbType = new TqvComboBox(pnlLeft);
    cmbType->setObjectName(QStringLiteral("cmbType"));
    cmbType->addItems(UnitTexts());
    left->addWidget(new QLabel(QStringLiteral("単位"), pnlLeft), row, 0);
    left->addWidget(cmbType, row++, 1, 1, 2);

    spnInterval = new QSpinBox(pnlLeft);
    spnInterval->setObjectName(QStringLiteral("spnInterval"));
    spnInterval->setRange(1, 100);
    spnInterval->setValue(1);
    lblExec = new QLabel(pnlLeft);
    lblExec->setObjectName(QStringLiteral("lblExec"));
    left->addWidget(new QLabel(QStringLiteral("間隔"), pnlLeft), row, 0);
    left->addWidget(spnInterval, row, 1);
    left->addWidget(lblExec, row++, 2);

    auto* grpWeek = new QGroupBox(QStringLiteral("実行曜日(週)"), pnlLeft);
    auto* weekLayout = new QGridLayout(grpWeek);
    const QStringList dayNames = WeekDayNames();
    const char* names7[] = {"chkSunday", "chkMonday", "chkTuesday", "chkWednesday", "chkThursday", "chkFriday",
                            "chkSaturday"};
    for (int i = 0; i < 7; ++i) {
        chkDays[size_t(i)] = new TqvCheckBox(grpWeek);
        chkDays[size_t(i)]->setObjectName(QLatin1String(names7[i]));
        chkDays[size_t(i)]->setText(dayNames[i]);
        chkDays[size_t(i)]->setChecked(i == 0);
        // Monday first on screen, Sunday last.
        const int pos = (i + 6) % 7;
        weekLayout->addWidget(chkDays[size_t(i)], pos / 4, pos % 4);
        connect(chkDays[size_t(i)], &QCheckBox::clicked, this, [this, i] { chkDayofWeekClick(i); });
    }
    left->addWidget(grpWeek, row++, 0, 1, 3);

    auto* grpDay = new QGroupBox(QStringLiteral("実行日（月）"), pnlLeft);
    auto* dayLayout = new QHBoxLayout(grpDay);
    spnDay = new QSpinBox(grpDay);
    spnDay->setObjectName(QStringLiteral("spnDay"));
    spnDay->setRange(1, 31);
    spnDay->setValue(1);
    dayLayout->addWidget(spnDay);
    dayLayout->addWidget(new QLabel(QStringLiteral("日に実行"), grpDay));
    dayLayout->addStretch();
    left->addWidget(grpDay, row++, 0, 1, 3);

    auto* grpRel = new QGroupBox(QStringLiteral("実行曜日（月）"), pnlLeft);
    auto* relLayout = new QHBoxLayout(grpRel);
    cmbWeek = new TqvComboBox(grpRel);
    cmbWeek->setObjectName(QStringLiteral("cmbWeek"));
    cmbWeek->addItems(WeekTexts());
    cmbDay = new TqvComboBox(grpRel);
    cmbDay->setObjectName(QStringLiteral("cmbDay"));
    cmbDay->addItems(RelativeDayTexts());
    relLayout->addWidget(cmbWeek);
    relLayout->addWidget(cmbDay);
    relLayout->addStretch();
    left->addWidget(grpRel, row++, 0, 1, 3);

    cmbSubdayType = new TqvComboBox(pnlLeft);
    cmbSubdayType->setObjectName(QStringLiteral("cmbSubdayType"));
    cmbSubdayType->addItems(SubdayTexts());
    left->addWidget(new QLabel(QStringLiteral("一日の頻度"), pnlLeft), row, 0);
    left->addWidget(cmbSubdayType, row++, 1, 1, 2);

    spnSubdayInterval = new QSpinBox(pnlLeft);
    spnSubdayInterval->setObjectName(QStringLiteral("spnSubdayInterval"));
    spnSubdayInterval->setRange(1, 100);
    spnSubdayInterval->setValue(1);
    lblSubdayExec = new QLabel(pnlLeft);
    lblSubdayExec->setObjectName(QStringLiteral("lblSubdayExec"));
    left->addWidget(new QLabel(QStringLiteral("間隔"), pnlLeft), row, 0);
    left->addWidget(spnSubdayInterval, row, 1);
    left->addWidget(lblSubdayExec, row++, 2);

    const auto datePicker = [pnlLeft](const char* name) {
        auto* d = new QDateEdit(pnlLeft);
        d->setObjectName(QLatin1String(name));
        d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        d->setCalendarPopup(true);
        d->setDate(QDate::currentDate());
        return d;
    };
    const auto timePicker = [pnlLeft](const char* name) {
        auto* t = new QTimeEdit(pnlLeft);
        t->setObjectName(QLatin1String(name));
        t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        return t;
    };
    dtpStartDay = datePicker("dtpStartDay");
    dtpStartTime = timePicker("dtpStartTime");
    dtpEndDay = datePicker("dtpEndDay");
    dtpEndDay->setDate(QDate(9999, 12, 31));
    dtpEndTime = timePicker("dtpEndTime");
    dtpEndTime->setTime(QTime(23, 59, 59));
    left->addWidget(new QLabel(QStringLiteral("開始日"), pnlLeft), row, 0);
    left->addWidget(dtpStartDay, row++, 1);
    left->addWidget(new QLabel(QStringLiteral("開始時間"), pnlLeft), row, 0);
    left->addWidget(dtpStartTime, row++, 1);
    left->addWidget(new QLabel(QStringLiteral("終了日"), pnlLeft), row, 0);
    left->addWidget(dtpEndDay, row++, 1);
    left->addWidget(new QLabel(QStringLiteral("終了時間"), pnlLeft), row, 0);
    left->addWidget(dtpEndTime, row++, 1);
    left->setRowStretch(row, 1);
    left->setColumnStretch(2, 1);
    split->addWidget(pnlLeft, 1);

    auto* pnlRight = new QGroupBox(QStringLiteral("ジョブ割当"), tabDefine);
    pnlRight->setObjectName(QStringLiteral("pnlRight"));
    auto* right = new QVBoxLayout(pnlRight);
    grdJob = new TqvStringGrid(pnlRight);
    grdJob->setObjectName(QStringLiteral("grdJob"));
    grdJob->SetColCount(2);
    SetDataRows(grdJob, 0);
    grdJob->SetHeader({QStringLiteral("割当"), QStringLiteral("ジョブ")});
    grdJob->SetColWidths(0, 40);
    grdJob->SetColWidths(1, 200);
    grdJob->SetGridMode(TqvGridEditorMode::geAccess);
    grdJob->OnSetEditText = [this](TqvStringGrid*, int c, int r, const QString& v) { grdJobSetEditText(c, r, v); };
    right->addWidget(grdJob);
    split->addWidget(pnlRight, 1);

    // Every control sets Modified; the unit and subday type set the enabled states too.
    for (QWidget* w : std::initializer_list<QWidget*>{chkEnabled, cmbWeek, cmbDay})
        TrackChanges(w);
    const auto changed = [this] {
        if (!m_loading)
            SetModified(true);
    };
    for (QSpinBox* s : {spnInterval, spnDay, spnSubdayInterval})
        connect(s, &QSpinBox::valueChanged, this, changed);
    for (QDateTimeEdit* d : std::initializer_list<QDateTimeEdit*>{dtpStartDay, dtpStartTime, dtpEndDay, dtpEndTime})
        connect(d, &QDateTimeEdit::dateTimeChanged, this, changed);
    connect(cmbType, &QComboBox::currentTextChanged, this, [this, changed] {
        cmbTypeChange();
        changed();
    });
    connect(cmbSubdayType, &QComboBox::currentTextChanged, this, [this, changed] {
        cmbSubdayTypeChange();
        changed();
    });
    cmbTypeChange();
}

void Tfrmjobschedule::cmbTypeChange()
{
    const QString unit = cmbType->currentText();
    const bool recurring = IsRecurringUnit(unit);
    spnInterval->setEnabled(recurring);
    cmbSubdayType->setEnabled(recurring);
    dtpStartDay->setEnabled(!IsStartlessUnit(unit));
    dtpStartTime->setEnabled(!IsStartlessUnit(unit));
    spnInterval->setMaximum(unit == QStringLiteral("日ごと") ? 31 : 100);
    const bool weekly = unit == QStringLiteral("週ごと");
    for (TqvCheckBox* c : chkDays)
        c->setEnabled(weekly);
    spnDay->setEnabled(unit == QStringLiteral("月ごと(日付指定)"));
    cmbWeek->setEnabled(unit == QStringLiteral("月ごと(相対指定)"));
    cmbDay->setEnabled(unit == QStringLiteral("月ごと(相対指定)"));
    if (!recurring)
        lblExec->clear();
    else if (unit == QStringLiteral("日ごと"))
        lblExec->setText(QStringLiteral("日ごとに実行"));
    else if (weekly)
        lblExec->setText(QStringLiteral("週ごとに実行"));
    else
        lblExec->setText(QStringLiteral("ヶ月ごとに実行"));
    cmbSubdayTypeChange();
}

void Tfrmjobschedule::cmbSubdayTypeChange()
{
    const QString subday = cmbSubdayType->currentText();
    const bool repeats = IsRecurringUnit(cmbType->currentText()) && subday != kOnce;
    spnSubdayInterval->setEnabled(repeats);
    dtpEndDay->setEnabled(repeats);
    dtpEndTime->setEnabled(repeats);
    if (subday == kHours) {
        lblSubdayExec->setText(QStringLiteral("時間ごとに実行"));
        spnSubdayInterval->setMaximum(24);
    } else if (subday == kMinutes) {
        lblSubdayExec->setText(QStringLiteral("分ごとに実行"));
        spnSubdayInterval->setMaximum(60);
    } else {
        lblSubdayExec->clear();
    }
}

void Tfrmjobschedule::chkDayofWeekClick(int index)
{
    bool any = false;
    for (TqvCheckBox* c : chkDays)
        any = any || c->isChecked();
    if (!any) {
        chkDays[size_t(index)]->setChecked(true); // at least one day stays ticked
        return;
    }
    if (!m_loading)
        SetModified(true);
}

void Tfrmjobschedule::grdJobSetEditText(int c, int r, const QString& value)
{
    if (c == 0 && Version() < 9 && value == QStringLiteral("1"))
        for (int i = 1; i < grdJob->RowCount(); ++i)
            if (i != r)
                grdJob->SetCells(0, i, QString());
    if (!m_loading)
        SetModified(true);
}

SharedScheduleInput Tfrmjobschedule::Input() const
{
    SharedScheduleInput in;
    in.version = Version();
    in.id = txtID->text();
    in.name = txtName->text();
    in.loadedName = m_loadedName;
    ScheduleValues& v = in.values;
    v.enabled = chkEnabled->isChecked();
    v.unit = cmbType->currentText();
    v.interval = QString::number(spnInterval->value());
    v.dayOfMonth = QString::number(spnDay->value());
    v.week = cmbWeek->currentText();
    v.relativeDay = cmbDay->currentText();
    for (int i = 0; i < 7; ++i)
        if (chkDays[size_t(i)]->isChecked())
            v.dayMask += WeekDayBit(i);
    v.subdayType = cmbSubdayType->currentText();
    v.subdayInterval = QString::number(spnSubdayInterval->value());
    v.startDate = DateDigits(dtpStartDay->date());
    v.startTime = TimeDigits(dtpStartTime->time());
    v.endDate = DateDigits(dtpEndDay->date());
    v.endTime = TimeDigits(dtpEndTime->time());
    for (int r = 1; r < grdJob->RowCount(); ++r) {
        if (grdJob->Cells(1, r).isEmpty())
            continue;
        const bool was = r < grdJob->SaveRowCount() && grdJob->SaveCells(0, r) == QStringLiteral("1");
        in.jobs << ScheduleJobTick{grdJob->Cells(1, r), grdJob->Cells(0, r) == QStringLiteral("1"), was};
    }
    return in;
}

bool Tfrmjobschedule::IsFullScript() const { return IsNew() || SourceMode == smText || SourcePageActive(); }

void Tfrmjobschedule::ChangedIsNew()
{
    TfrmDefine::ChangedIsNew();
    pnlName->setEnabled(true); // a rename is an edit of an existing schedule too
    if (ScriptMode())
        return;
    IConnectionWindow* conn = OwnerForm();
    if (IsNew()) {
        setWindowTitle(QStringLiteral("SCHEDULE - 新規"));
        SetTaskCaption(QStringLiteral("新規"));
    } else {
        setWindowTitle(CaptionFor(txtName->text(), txtID->text(), conn ? conn->Server() : QString(),
                                  conn ? conn->DataBase() : QString()));
        SetTaskCaption(txtName->text() + QStringLiteral("(ID:") + txtID->text() + QLatin1Char(')'));
    }
}

void Tfrmjobschedule::ShowData(bool isDrop)
{
    WaitCursor cursor;
    m_loading = true;
    struct Done {
        Tfrmjobschedule* w;
        ~Done()
        {
            w->m_loading = false;
            w->SetModified(false);
        }
    } done{this};
    dtpStartDay->setDate(QDate::currentDate());
    SetDataRows(grdJob, 0);
    grdJob->SetEditStyles(0, Version() < 9 && !IsNew() ? TqvGridEditStyle::geViewCheckBox : TqvGridEditStyle::geCheckBox);
    TObjectSession* s = Session();
    QList<QStringList> rows;
    db::Query* q = s->OpenSQL(ScheduleJobsQuery(), {txtID->text()});
    try {
        for (q->First(); !q->Eof(); q->Next())
            rows << QStringList{q->Fields().at(1)->AsString() == QStringLiteral("1") ? QStringLiteral("1") : QString(),
                                q->Fields().at(0)->AsString()};
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
    grdJob->setEnabled(!rows.isEmpty());
    SetDataRows(grdJob, int(rows.size()));
    for (int i = 0; i < rows.size(); ++i)
        grdJob->SetRows(i + 1, rows[i]);
    if (!IsNew())
        ReadSchedule();
    cmbTypeChange();
    txtName->Save();
    m_loadedName = txtName->text();
    grdJob->Save();
    if (SourcePageActive() || SourceMode == smText)
        SetSourceLines(isDrop ? SharedScheduleDrop(Input()) : SharedScheduleCreate(Input()));
}

void Tfrmjobschedule::ReadSchedule()
{
    const int version = Version();
    QStringList params;
    if (version < 9)
        params << Input().FirstTickedJob();
    params << txtID->text();
    db::Query* q = Session()->OpenSQL(ScheduleReadQuery(version), params);
    const bool found = !q->Eof();
    QStringList cols;
    if (found)
        for (int i = 0; i < 12; ++i)
            cols << q->Fields().at(i)->AsString();
    q->Close();
    if (!found) {
        if (SourceMode == smShow)
            Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
        Abort();
    }
    {
        const QSignalBlocker block(txtName);
        txtName->setText(cols[0]);
    }
    MsdbSchedule m;
    m.enabled = cols[1];
    m.freqType = cols[2].toInt();
    m.freqInterval = cols[3].toInt();
    m.freqSubdayType = cols[4].toInt();
    m.freqSubdayInterval = cols[5].toInt();
    m.freqRelativeInterval = cols[6].toInt();
    m.freqRecurrenceFactor = cols[7].toInt();
    m.activeStartDate = cols[8];
    m.activeEndDate = cols[9];
    m.activeStartTime = cols[10];
    m.activeEndTime = cols[11];
    const DecodedSchedule d = DecodeSchedule(m);
    chkEnabled->setChecked(d.enabled);
    cmbType->setCurrentIndex(cmbType->findText(d.unit));
    if (!d.interval.isEmpty())
        spnInterval->setValue(d.interval.toInt());
    if (d.unit == QStringLiteral("週ごと"))
        for (int i = 0; i < 7; ++i)
            chkDays[size_t(i)]->setChecked(d.dayMask & WeekDayBit(i));
    if (!d.dayOfMonth.isEmpty())
        spnDay->setValue(d.dayOfMonth.toInt());
    if (!d.week.isEmpty())
        cmbWeek->setCurrentIndex(cmbWeek->findText(d.week));
    if (!d.relativeDay.isEmpty())
        cmbDay->setCurrentIndex(cmbDay->findText(d.relativeDay));
    cmbSubdayType->setCurrentIndex(cmbSubdayType->findText(d.subdayType));
    if (!d.subdayInterval.isEmpty())
        spnSubdayInterval->setValue(d.subdayInterval.toInt());
    const auto date = [](const QString& text) { return QDate::fromString(text, QStringLiteral("yyyy/MM/dd")); };
    const auto time = [](const QString& text) { return QTime::fromString(text, QStringLiteral("HH:mm:ss")); };
    if (const QDate v = date(d.startDate); v.isValid())
        dtpStartDay->setDate(v);
    if (const QDate v = date(d.endDate); v.isValid())
        dtpEndDay->setDate(v);
    if (const QTime v = time(d.startTime); v.isValid())
        dtpStartTime->setTime(v);
    if (const QTime v = time(d.endTime); v.isValid())
        dtpEndTime->setTime(v);
}

void Tfrmjobschedule::CheckNames()
{
    if (txtName->text().isEmpty())
        Warn(QStringLiteral("名前を入力して下さい。"), txtName);
    if (Version() < 9 && Input().FirstTickedJob().isEmpty())
        Warn(QStringLiteral("割当先のジョブを選択して下さい。"), txtName);
}

QStringList Tfrmjobschedule::GetDDL()
{
    QStringList lines;
    const SharedScheduleInput in = Input();
    if (!IsNew() && SourcePageActive())
        lines << SharedScheduleDrop(in);
    if (DefinePageActive())
        lines << (IsFullScript() ? SharedScheduleCreate(in) : SharedScheduleAlter(in));
    else
        lines << SourceLines();
    return lines;
}

QStringList Tfrmjobschedule::ScriptText(bool isDrop)
{
    return isDrop ? SharedScheduleDrop(Input()) : SharedScheduleCreate(Input());
}

QString Tfrmjobschedule::DeleteStatement() { return SharedScheduleDelete(Input()); }

void Tfrmjobschedule::PreviewTarget(QString& database, QString& schema, QString& name)
{
    database.clear();
    schema.clear();
    name = txtName->text();
}

void Tfrmjobschedule::Compile() { Guard([this] { DoCompile(); }); }

void Tfrmjobschedule::DoCompile()
{
    if (QWidget* f = focusWidget())
        f->clearFocus(); // ends a cell edit
    CheckNames();
    QStringList lines = GetDDL();
    if (lines.join(QString()).trimmed().isEmpty()) {
        Box(QStringLiteral("変更箇所が見つかりませんでした。"), MB_OK | MB_ICONWARNING);
        TqvForm::SetIsNew(false);
        pagObjectChange();
        return;
    }
    const bool full = IsFullScript();
    const SharedScheduleInput in = Input();
    TfrmMain* main = TfrmMain::instance();
    if (!TfrmDDLPreview::ShowWindow(lines, QString(), QString(), in.name, main))
        return;
    TObjectSession* session = Session();
    const ScriptContext context{session, dynamic_cast<TfrmObject*>(OwnerForm())};
    if (!IsNew())
        SaveBeforeSource(context, QString(), QString(), in.name, 117);
    try {
        TfrmDDLExec::ShowWindow(session, lines, main);
    } catch (...) {
        TfrmDDLExec::WaitProc();
        throw;
    }
    TfrmDDLExec::WaitProc();
    if (full) {
        db::Query* q = session->OpenSQL(SharedScheduleNewIdQuery(in));
        const QString id = q->Eof() ? QString() : q->Fields().at(0)->AsString();
        q->Close();
        txtID->setText(id);
    }
    SaveAfterSource(context, QString(), QString(), in.name, 117);
    TqvForm::SetIsNew(false);
    pagObjectChange();
}

void Tfrmjobschedule::GetScript(IConnectionWindow* owner, const QString& scheduleId, QIODevice& stream)
{
    std::unique_ptr<Tfrmjobschedule> w(
        new Tfrmjobschedule(owner ? owner->connectionWidget() : nullptr, scheduleId, QString(), omDefine, true));
    w->WriteScriptTo(stream);
    Abort();
}

} // namespace qv
