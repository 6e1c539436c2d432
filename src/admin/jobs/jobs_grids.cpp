#include "admin/jobs/jobs_grids.h"

#include "admin/jobs/jobs_command_editor.h"
#include "admin/jobs/jobs_grid_text.h"
#include "app/images.h"
#include "app/message_box.h"
#include "connection/object_session.h"
#include "controls/grid/string_grid.h"
#include "platform/db/query.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdint>

namespace qv {

using namespace jobs;

std::function<int(const QString&, int, const QList<bool*>&)> TfraJobGrids::DayDialogHook;
std::function<int(const QString&, int)> TfraJobGrids::MessageHook;

namespace {
const QString kTsql = QStringLiteral("TSQL");
const QString kWeekly = QStringLiteral("週ごと");

QToolButton* Button(QWidget* parent, const char* name, int image, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(imgMain(image));
    b->setToolTip(hint);
    b->setAutoRaise(true);
    return b;
}

void SetupGrid(TqvStringGrid* g, const QStringList& headers, const int* widths, int fixedCols)
{
    g->SetColCount(int(headers.size()));
    g->SetRowCount(2);
    g->SetFixedRows(1);
    g->SetFixedCols(fixedCols);
    g->SetHeader(headers);
    for (int c = 0; c < headers.size(); ++c)
        g->SetColWidths(c, widths[c]);
    g->SetGridMode(TqvGridEditorMode::geAccess);
    g->SetGridOptions(g->GridOptions() | goEditing);
}

bool IsEntryRow(const TqvStringGrid* g, int r) { return r == g->RowCount() - 1; }

void ShadeReadOnly(TqvStringGrid* g, QPainter& p, int c, int r, const QRect& rect)
{
    p.fillRect(rect, g->palette().color(QPalette::Button));
    p.setPen(g->palette().color(QPalette::ButtonText));
    const QFontMetrics fm(g->font());
    p.drawText(QPoint(rect.left() + 2, rect.top() + 2 + fm.ascent()), g->Cells(c, r));
}
} // namespace

TfraJobGrids::TfraJobGrids(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fraJobGrids"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* stepBar = new QHBoxLayout;
    stepBar->addWidget(new QLabel(QStringLiteral("ステップ"), this));
    btnColInsert = Button(this, "btnColInsert", 39, QStringLiteral("列の追加"));
    btnColDelete = Button(this, "btnColDelete", 40, QStringLiteral("列の削除"));
    btnUP = Button(this, "btnUP", 35, QString());
    btnDown = Button(this, "btnDown", 36, QString());
    for (QToolButton* b : {btnColInsert, btnColDelete, btnUP, btnDown})
        stepBar->addWidget(b);
    stepBar->addStretch();
    layout->addLayout(stepBar);
    grdStep = new TqvStringGrid(this);
    grdStep->setObjectName(QStringLiteral("grdStep"));
    SetupGrid(grdStep, StepHeaders(), StepWidths(), 1);
    layout->addWidget(grdStep, 1);

    auto* scheduleBar = new QHBoxLayout;
    scheduleBar->addWidget(new QLabel(QStringLiteral("スケジュール"), this));
    btnInsSchedule = Button(this, "btnInsSchedule", 39, QStringLiteral("列の追加"));
    btnDelSchedule = Button(this, "btnDelSchedule", 40, QStringLiteral("列の削除"));
    scheduleBar->addWidget(btnInsSchedule);
    scheduleBar->addWidget(btnDelSchedule);
    scheduleBar->addStretch();
    layout->addLayout(scheduleBar);
    grdSchedule = new TqvStringGrid(this);
    grdSchedule->setObjectName(QStringLiteral("grdSchedule"));
    SetupGrid(grdSchedule, ScheduleHeaders(), ScheduleWidths(), 0);
    layout->addWidget(grdSchedule, 1);

    grdStep->OnSelectCell = [this](int c, int r) { return grdStepSelectCell(c, r); };
    grdStep->OnGetPickListitems = [this](int c, int r, QStringList& items) { grdStepGetPickListitems(c, r, items); };
    grdStep->OnEditButtonClick = [this] { grdStepEditButtonClick(); };
    grdStep->OnSetEditText = [this](TqvStringGrid*, int c, int r, const QString& v) { grdStepSetEditText(c, r, v); };
    grdStep->OnDrawCell = [this](QPainter& p, int c, int r, const QRect& rect, TGridDrawState) {
        if (r < 1 || IsEntryRow(grdStep, r) || c < 1)
            return;
        if (!StepCellEditable(c, grdStep->Cells(scType, r), grdStep->Cells(scOnSuccess, r), grdStep->Cells(scOnFail, r)))
            ShadeReadOnly(grdStep, p, c, r, rect);
    };
    grdSchedule->OnSelectCell = [this](int c, int r) { return grdScheduleSelectCell(c, r); };
    grdSchedule->OnGetPickListitems = [this](int c, int r, QStringList& items) {
        grdScheduleGetPickListitems(c, r, items);
    };
    grdSchedule->OnEditButtonClick = [this] { grdScheduleEditButtonClick(); };
    grdSchedule->OnSetEditText = [this](TqvStringGrid*, int c, int r, const QString& v) {
        grdScheduleSetEditText(c, r, v);
    };
    grdSchedule->OnDrawCell = [this](QPainter& p, int c, int r, const QRect& rect, TGridDrawState) {
        if (r < 1 || IsEntryRow(grdSchedule, r) || c < hcInterval || c > hcEndTime)
            return;
        const int version = Version ? Version() : 99;
        if (!ScheduleCellEditable(c, grdSchedule->Cells(hcUnit, r), grdSchedule->Cells(hcSubdayType, r), version))
            ShadeReadOnly(grdSchedule, p, c, r, rect);
    };
    connect(btnColInsert, &QToolButton::clicked, this, [this] { btnColInsertClick(); });
    connect(btnColDelete, &QToolButton::clicked, this, [this] { btnColDeleteClick(); });
    connect(btnUP, &QToolButton::clicked, this, [this] { btnUPClick(); });
    connect(btnDown, &QToolButton::clicked, this, [this] { btnDownClick(); });
    connect(btnInsSchedule, &QToolButton::clicked, this, [this] { btnInsScheduleClick(); });
    connect(btnDelSchedule, &QToolButton::clicked, this, [this] { btnDelScheduleClick(); });
    Clear();
}

int TfraJobGrids::Box(const QString& text, int flags)
{
    return MessageHook ? MessageHook(text, flags) : ShowMessageBox(text, flags);
}

void TfraJobGrids::SetStyles()
{
    const int version = Version ? Version() : 99;
    for (int c : {int(scDatabase), int(scUser), int(scOnSuccess), int(scOnFail)})
        grdStep->SetEditStyles(c, TqvGridEditStyle::gePickList);
    grdStep->SetEditStyles(scCommand, TqvGridEditStyle::geEllipsis);
    grdSchedule->SetEditStyles(hcId, version >= 9 ? TqvGridEditStyle::gePickList : TqvGridEditStyle::geSimple);
    for (int c : {int(hcUnit), int(hcWeek), int(hcSubdayType)})
        grdSchedule->SetEditStyles(c, TqvGridEditStyle::gePickList);
    grdSchedule->SetEditStyles(hcEnabled, TqvGridEditStyle::geCheckBox);
}

void TfraJobGrids::Clear()
{
    for (TqvStringGrid* g : {grdStep, grdSchedule}) {
        g->SetRowCount(2);
        for (int c = 0; c < g->ColCount(); ++c) {
            g->SetCells(c, 1, QString());
            g->SetObjects(c, 1, nullptr);
        }
    }
    SetStyles();
    SaveSnapshots();
}

void TfraJobGrids::SaveSnapshots()
{
    grdStep->Save();
    grdSchedule->Save();
    m_loadedSchedules = Schedules();
}

// ---- marks ------------------------------------------------------------------------------

int TfraJobGrids::DayMask(int row) const
{
    return int(reinterpret_cast<std::intptr_t>(grdSchedule->Objects(hcDays, row)));
}

void TfraJobGrids::SetDayMask(int row, int mask)
{
    grdSchedule->SetObjects(hcDays, row, reinterpret_cast<void*>(std::intptr_t(mask)));
}

bool TfraJobGrids::Changed(int row) const { return grdSchedule->Objects(hcId, row) != nullptr; }

void TfraJobGrids::SetChanged(int row, bool changed)
{
    grdSchedule->SetObjects(hcId, row, reinterpret_cast<void*>(std::intptr_t(changed ? 1 : 0)));
}

// ---- rows as statement input ------------------------------------------------------------

QList<JobStepRow> TfraJobGrids::Steps() const
{
    QList<JobStepRow> out;
    for (int r = 1; r < grdStep->RowCount() - 1; ++r) {
        const auto cell = [&](int c) { return grdStep->Cells(c, r); };
        out << JobStepRow{cell(scName),      cell(scType),        cell(scDatabase),    cell(scUser),
                          cell(scCommand),   cell(scOnSuccess),   cell(scSuccessStep), cell(scOnFail),
                          cell(scFailStep),  cell(scRetryAttempts), cell(scRetryInterval)};
    }
    return out;
}

QList<JobScheduleRow> TfraJobGrids::Schedules() const
{
    QList<JobScheduleRow> out;
    for (int r = 1; r < grdSchedule->RowCount() - 1; ++r) {
        JobScheduleRow row;
        for (int c = 0; c < ScheduleColCount; ++c)
            row.cells[c] = grdSchedule->Cells(c, r);
        row.dayMask = DayMask(r);
        row.changed = Changed(r);
        out << row;
    }
    return out;
}

QList<JobScheduleRow> TfraJobGrids::LoadedSchedules() const { return m_loadedSchedules; }

// ---- loaders ----------------------------------------------------------------------------

void TfraJobGrids::LoadSteps(const QString& jobName)
{
    Clear();
    int count = 0;
    struct Finish {
        TfraJobGrids* f;
        int& count;
        ~Finish()
        {
            f->grdStep->SetRowCount(count + 2);
            for (int c = 0; c < StepColCount; ++c)
                f->grdStep->SetCells(c, count + 1, QString());
            f->grdStep->Save();
        }
    } finish{this, count};
    db::Query* q = Session()->OpenSQL(JobStepsQuery(), {jobName});
    try {
        for (q->First(); !q->Eof(); q->Next()) {
            const auto field = [q](int i) { return q->Fields().at(i)->AsString(); };
            const int r = ++count;
            if (grdStep->RowCount() < r + 2)
                grdStep->SetRowCount(r + 2);
            QStringList row(StepColCount);
            row[scNumber] = field(0);
            row[scName] = field(1);
            row[scType] = field(2);
            row[scDatabase] = field(11);
            row[scUser] = field(12);
            row[scCommand] = field(3);
            row[scOnSuccess] = StepActionText(field(6).toInt());
            if (field(6).toInt() == 4)
                row[scSuccessStep] = field(7);
            row[scOnFail] = StepActionText(field(8).toInt());
            if (field(8).toInt() == 4)
                row[scFailStep] = field(9);
            row[scRetryAttempts] = field(13);
            row[scRetryInterval] = field(14);
            grdStep->SetRows(r, row);
        }
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
}

void TfraJobGrids::FillScheduleRow(int row, const JobScheduleRow& values)
{
    grdSchedule->SetRows(row, values.cells);
    SetDayMask(row, values.dayMask);
    SetChanged(row, false);
}

void TfraJobGrids::LoadSchedules(const QString& jobName)
{
    int count = 0;
    struct Finish {
        TfraJobGrids* f;
        int& count;
        ~Finish()
        {
            f->grdSchedule->SetRowCount(count + 2);
            for (int c = 0; c < ScheduleColCount; ++c) {
                f->grdSchedule->SetCells(c, count + 1, QString());
                f->grdSchedule->SetObjects(c, count + 1, nullptr);
            }
            f->SaveSnapshots();
        }
    } finish{this, count};
    db::Query* q = Session()->OpenSQL(JobSchedulesQuery(), {jobName});
    try {
        for (q->First(); !q->Eof(); q->Next()) {
            const auto field = [q](int i) { return q->Fields().at(i)->AsString(); };
            MsdbSchedule m{field(2),          field(3).toInt(), field(4).toInt(), field(5).toInt(), field(6).toInt(),
                           field(7).toInt(), field(8).toInt(), field(9),          field(10),        field(11),
                           field(12)};
            const int r = ++count;
            if (grdSchedule->RowCount() < r + 2)
                grdSchedule->SetRowCount(r + 2);
            FillScheduleRow(r, RowOfSchedule(field(0), field(1), DecodeSchedule(m)));
        }
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
}

// ---- step grid --------------------------------------------------------------------------

bool TfraJobGrids::grdStepSelectCell(int c, int r)
{
    const bool editable =
        StepCellEditable(c, grdStep->Cells(scType, r), grdStep->Cells(scOnSuccess, r), grdStep->Cells(scOnFail, r));
    auto opts = grdStep->GridOptions();
    if (editable) {
        opts |= goEditing;
    } else {
        grdStep->HideEditor();
        opts &= ~TGridOptions(goEditing | goAlwaysShowEditor);
    }
    grdStep->SetGridOptions(opts);
    return true;
}

void TfraJobGrids::grdStepGetPickListitems(int c, int r, QStringList& items)
{
    switch (c) {
    case scDatabase:
        if (Databases)
            items = Databases();
        break;
    case scUser:
        if (grdStep->Cells(scDatabase, r).isEmpty())
            break;
        try {
            db::Query* q = Session()->OpenSQL(StepUserQuery(Version ? Version() : 99));
            for (q->First(); !q->Eof(); q->Next())
                items << q->Fields().at(0)->AsString();
            q->Close();
        } catch (const std::exception&) {
            // the list stays empty
        }
        break;
    case scOnSuccess:
    case scOnFail: items = StepActionTexts(); break;
    default: break;
    }
}

void TfraJobGrids::grdStepEditButtonClick()
{
    const int r = grdStep->Row();
    QString text = grdStep->Cells(scCommand, r);
    const QString database = grdStep->Cells(scDatabase, r);
    const bool ok = EditCommand ? EditCommand(database, text)
                                : TfrmSqlMemo::ShowWindow(Session ? Session() : nullptr, database, text) == 1;
    if (!ok)
        return;
    if (text != grdStep->Cells(scCommand, r)) {
        grdStep->SetEditText(scCommand, r, text);
        if (SetModified)
            SetModified();
    }
}

void TfraJobGrids::MarkModified(TqvStringGrid* grid, int c, int r)
{
    if (!SetModified)
        return;
    const bool already = Modified && Modified();
    if (already || grid->IsChangedCell(c, r))
        SetModified();
}

void TfraJobGrids::grdStepSetEditText(int c, int r, const QString& value)
{
    if (c == scOnSuccess || c == scOnFail)
        grdStep->InvalidateGrid();
    if (IsEntryRow(grdStep, r) && !value.isEmpty()) {
        if (c != scType)
            grdStep->SetCells(scType, r, kTsql);
        grdStep->SetRowCount(grdStep->RowCount() + 1);
        for (int col = 0; col < StepColCount; ++col)
            grdStep->SetCells(col, grdStep->RowCount() - 1, QString());
    }
    Renumber();
    MarkModified(grdStep, c, r);
}

void TfraJobGrids::Renumber()
{
    for (int r = 1; r < grdStep->RowCount() - 1; ++r)
        grdStep->SetCells(scNumber, r, QString::number(r));
    grdStep->SetCells(scNumber, grdStep->RowCount() - 1, QString());
}

void TfraJobGrids::btnColInsertClick()
{
    grdStep->setFocus();
    const int r = qMax(1, grdStep->Row());
    grdStep->InsertRow(r);
    grdStep->SetCells(scType, r, kTsql);
    Renumber();
}

void TfraJobGrids::btnColDeleteClick()
{
    const int r = grdStep->Row();
    if (r < 1 || IsEntryRow(grdStep, r))
        return;
    grdStep->setFocus();
    grdStep->DeleteRow(r);
    grdStep->InvalidateGrid();
    if (SetModified)
        SetModified();
    if (IsEntryRow(grdStep, grdStep->Row()))
        for (int c = 0; c < StepColCount; ++c)
            grdStep->SetCells(c, grdStep->Row(), QString());
    Renumber();
}

void TfraJobGrids::btnUPClick()
{
    const int r = grdStep->Row();
    if (r < 2 || r > grdStep->RowCount() - 2)
        return;
    for (int c = 1; c < StepColCount; ++c) {
        const QString above = grdStep->Cells(c, r - 1);
        grdStep->SetCells(c, r - 1, grdStep->Cells(c, r));
        grdStep->SetCells(c, r, above);
    }
    grdStep->SetRow(r - 1);
    if (SetModified)
        SetModified();
}

void TfraJobGrids::btnDownClick()
{
    const int r = grdStep->Row();
    if (r < 1 || r >= grdStep->RowCount() - 2)
        return;
    for (int c = 1; c < StepColCount; ++c) {
        const QString below = grdStep->Cells(c, r + 1);
        grdStep->SetCells(c, r + 1, grdStep->Cells(c, r));
        grdStep->SetCells(c, r, below);
    }
    grdStep->SetRow(r + 1);
    if (SetModified)
        SetModified();
}

// ---- schedule grid ----------------------------------------------------------------------

bool TfraJobGrids::grdScheduleSelectCell(int c, int r)
{
    const QString unit = grdSchedule->Cells(hcUnit, r);
    if (c == hcDays)
        grdSchedule->SetEditStyles(hcDays, unit == kWeekly ? TqvGridEditStyle::geEllipsis : TqvGridEditStyle::gePickList);
    const int version = Version ? Version() : 99;
    const bool editable =
        c != hcEnabled && ScheduleCellEditable(c, unit, grdSchedule->Cells(hcSubdayType, r), version);
    auto opts = grdSchedule->GridOptions();
    if (editable || c == hcEnabled) {
        opts |= goEditing;
    } else {
        grdSchedule->HideEditor();
        opts &= ~TGridOptions(goEditing | goAlwaysShowEditor);
    }
    grdSchedule->SetGridOptions(opts);
    return true;
}

void TfraJobGrids::grdScheduleGetPickListitems(int c, int r, QStringList& items)
{
    (void)r;
    switch (c) {
    case hcId: {
        if ((Version ? Version() : 99) < 9)
            break;
        items << QString();
        QStringList present;
        for (int row = 1; row < grdSchedule->RowCount() - 1; ++row)
            present << grdSchedule->Cells(hcId, row);
        db::Query* q = Session()->OpenSQL(SharedScheduleLookupQuery(), {QStringLiteral("%")});
        for (q->First(); !q->Eof(); q->Next()) {
            const QString id = q->Fields().at(0)->AsString();
            if (!present.contains(id))
                items << id;
        }
        q->Close();
        break;
    }
    case hcUnit: items = UnitTexts(); break;
    case hcWeek: items = WeekTexts(); break;
    case hcDays: items = RelativeDayTexts(); break;
    case hcSubdayType: items = SubdayTexts(); break;
    default: break;
    }
}

void TfraJobGrids::grdScheduleEditButtonClick()
{
    const int r = grdSchedule->Row();
    if (grdSchedule->Cells(hcUnit, r) != kWeekly)
        return;
    const int mask = DayMask(r);
    bool days[7];
    QList<bool*> pointers;
    CheckList checks;
    const QStringList names = WeekDayNames();
    for (int i = 0; i < 7; ++i) {
        days[i] = (mask & WeekDayBit(i)) != 0;
        pointers << &days[i];
        checks << CheckItem{names[i], &days[i]};
    }
    const QString text = QStringLiteral("曜日の設定");
    const int flags = MB_OKCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON2;
    const int answer = DayDialogHook ? DayDialogHook(text, flags, pointers) : ShowCheckMessageBox(text, flags, checks);
    if (answer != IDOK)
        return;
    int newMask = 0;
    for (int i = 0; i < 7; ++i)
        if (days[i])
            newMask += WeekDayBit(i);
    if (newMask == 0) {
        Box(QStringLiteral("曜日はどれか一日を必ず選択してください"), MB_OK | MB_ICONWARNING);
        return;
    }
    const QString daysText = DaysText(newMask);
    if (daysText != grdSchedule->Cells(hcDays, r)) {
        SetDayMask(r, newMask);
        grdSchedule->SetEditText(hcDays, r, daysText);
        if (SetModified)
            SetModified();
    }
}

void TfraJobGrids::FillFromShared(int row, const QString& pattern)
{
    db::Query* q = Session()->OpenSQL(SharedScheduleLookupQuery(), {pattern});
    try {
        for (q->First(); !q->Eof(); q->Next()) {
            const auto field = [q](int i) { return q->Fields().at(i)->AsString(); };
            MsdbSchedule m{field(2),          field(3).toInt(), field(4).toInt(), field(5).toInt(), field(6).toInt(),
                           field(7).toInt(), field(8).toInt(), field(9),          field(10),        field(11),
                           field(12)};
            FillScheduleRow(row, RowOfSchedule(field(0), field(1), DecodeSchedule(m)));
        }
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
}

void TfraJobGrids::grdScheduleSetEditText(int c, int r, const QString& value)
{
    if (m_filling)
        return;
    m_filling = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_filling};
    if (IsEntryRow(grdSchedule, r) && !value.isEmpty()) {
        grdSchedule->SetRowCount(grdSchedule->RowCount() + 1);
        for (int col = 0; col < ScheduleColCount; ++col) {
            grdSchedule->SetCells(col, grdSchedule->RowCount() - 1, QString());
            grdSchedule->SetObjects(col, grdSchedule->RowCount() - 1, nullptr);
        }
        grdSchedule->SetCells(hcEnabled, r, QStringLiteral("1"));
    }
    if (c == hcUnit && value == kWeekly) {
        SetDayMask(r, 1);
        grdSchedule->SetCells(hcDays, r, QStringLiteral("日"));
    }
    if (c == hcId && !value.isEmpty() && (Version ? Version() : 99) >= 9)
        FillFromShared(r, value);
    else
        SetChanged(r, true);
    grdSchedule->InvalidateGrid();
    MarkModified(grdSchedule, c, r);
}

void TfraJobGrids::btnInsScheduleClick()
{
    grdSchedule->setFocus();
    grdSchedule->InsertRow(qMax(1, grdSchedule->Row()));
}

void TfraJobGrids::btnDelScheduleClick()
{
    const int r = grdSchedule->Row();
    if (r < 1 || IsEntryRow(grdSchedule, r))
        return;
    grdSchedule->setFocus();
    grdSchedule->DeleteRow(r);
    grdSchedule->InvalidateGrid();
    if (SetModified)
        SetModified();
    if (IsEntryRow(grdSchedule, grdSchedule->Row()))
        for (int c = 0; c < ScheduleColCount; ++c) {
            grdSchedule->SetCells(c, grdSchedule->Row(), QString());
            grdSchedule->SetObjects(c, grdSchedule->Row(), nullptr);
        }
}

} // namespace qv
