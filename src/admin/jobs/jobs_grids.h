#pragma once
// TfraJobGrids: the step grid and the schedule grid of the job window's Definition page with
// their row buttons. Both grids end with one empty entry row; typing into it adds a row. The
// schedule rows carry the weekly day mask (with column 6) and the changed mark (with column 0)
// that the job statements read. Rows come out as statement input (jobs_statement_text.h).
#include "admin/jobs/jobs_statement_text.h"

#include <QList>
#include <QWidget>

#include <functional>

class QToolButton;

namespace qv {

class TObjectSession;
class TqvStringGrid;

class TfraJobGrids : public QWidget {
    Q_OBJECT
public:
    explicit TfraJobGrids(QWidget* parent = nullptr);

    TqvStringGrid* grdStep = nullptr;
    TqvStringGrid* grdSchedule = nullptr;
    QToolButton* btnColInsert = nullptr;
    QToolButton* btnColDelete = nullptr;
    QToolButton* btnUP = nullptr;
    QToolButton* btnDown = nullptr;
    QToolButton* btnInsSchedule = nullptr;
    QToolButton* btnDelSchedule = nullptr;

    // What the grids need of their window.
    std::function<TObjectSession*()> Session;
    std::function<int()> Version;
    std::function<bool()> Modified;
    std::function<void()> SetModified;
    std::function<QStringList()> Databases; // the databases the login can use
    // The step command editor: database and text in, the text out; true on OK (unset: the
    // "SQLコマンドの編集" dialog on the session).
    std::function<bool(const QString& database, QString& text)> EditCommand;
    // The day dialog and the warning (tests answer them here; unset: the message boxes).
    static std::function<int(const QString& text, int flags, const QList<bool*>& days)> DayDialogHook;
    static std::function<int(const QString& text, int flags)> MessageHook;

    // Empties both grids (header and entry row) and sets the column styles.
    void Clear();
    // The loaders of an existing job: rows from msdb, the entry row last, then the snapshots.
    void LoadSteps(const QString& jobName);
    void LoadSchedules(const QString& jobName);
    // The snapshots the changed cells and the detached schedules are judged against.
    void SaveSnapshots();

    QList<jobs::JobStepRow> Steps() const;
    QList<jobs::JobScheduleRow> Schedules() const;
    // The schedule rows of the last load.
    QList<jobs::JobScheduleRow> LoadedSchedules() const;
    int DayMask(int row) const;
    bool Changed(int row) const;

    // Handlers (public for the window's keys and the tests).
    bool grdStepSelectCell(int c, int r);
    void grdStepGetPickListitems(int c, int r, QStringList& items);
    void grdStepEditButtonClick();
    void grdStepSetEditText(int c, int r, const QString& value);
    bool grdScheduleSelectCell(int c, int r);
    void grdScheduleGetPickListitems(int c, int r, QStringList& items);
    void grdScheduleEditButtonClick();
    void grdScheduleSetEditText(int c, int r, const QString& value);
    void btnColInsertClick();
    void btnColDeleteClick();
    void btnUPClick();
    void btnDownClick();
    void btnInsScheduleClick();
    void btnDelScheduleClick();

private:
    void Renumber();
    void SetStyles();
    void SetDayMask(int row, int mask);
    void SetChanged(int row, bool changed);
    void FillFromShared(int row, const QString& pattern);
    void FillScheduleRow(int row, const jobs::JobScheduleRow& values);
    void MarkModified(TqvStringGrid* grid, int c, int r);
    int Box(const QString& text, int flags);
    bool m_filling = false;
    QList<jobs::JobScheduleRow> m_loadedSchedules;
};

} // namespace qv
