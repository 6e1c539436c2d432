#include "admin/jobs/jobs_job_window.h"

#include "admin/jobs/jobs_grid_text.h"
#include "admin/jobs/jobs_grids.h"
#include "admin/jobs/jobs_statement_text.h"
#include "app/connection_window_iface.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "controls/grid/string_grid.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

#include <memory>

namespace qv {

using namespace jobs;

namespace {
DefineKind JobKind()
{
    DefineKind k;
    k.windowClass = &TfrmJob::staticMetaObject;
    k.objType = 97;
    k.word = QStringLiteral("JOB");
    k.settingsKey = QStringLiteral("JOB");
    k.menuTitle = QStringLiteral("JOB(&O)");
    k.hasSchema = false;
    k.hasSource = true;
    return k;
}
} // namespace

// One window per job and connection, whoever owns the job: the caption carries the owner,
// which may differ from the login of the connection, so the windows are compared by job name.
QObject* TfrmJob::CheckOpen(QObject* owner, const QString& jobName, bool scriptMode)
{
    TfrmMain* main = TfrmMain::instance();
    if (scriptMode || jobName.isEmpty() || !main || !main->mdiArea())
        return owner;
    for (QMdiSubWindow* sub : main->mdiArea()->subWindowList()) {
        auto* job = qobject_cast<TfrmJob*>(sub->widget());
        if (!job || job->IsNew() || job->txtName->text() != jobName)
            continue;
        IConnectionWindow* conn = job->OwnerForm();
        if (!conn || conn->connectionWidget() != owner)
            continue;
        main->mdiArea()->setActiveSubWindow(sub);
        Abort();
    }
    return owner;
}

TfrmJob::TfrmJob(QObject* owner, const QString& jobName, TOpenMode mode) : TfrmJob(owner, jobName, mode, false) {}

TfrmJob::TfrmJob(QObject* owner, const QString& jobName, TOpenMode mode, bool scriptMode)
    : TfrmDefine(CheckOpen(owner, jobName, scriptMode), JobKind(), DefineArgs{QString(), QString(), jobName, mode},
                 scriptMode)
{
    setObjectName(QStringLiteral("frmJob"));
    BuildControls();
    if (IConnectionWindow* conn = OwnerForm())
        cmbLogin->setEditText(conn->Login());
    Start();
}

int TfrmJob::Version() const
{
    IConnectionWindow* conn = OwnerForm();
    return conn ? conn->DBVer() : 99;
}

void TfrmJob::BuildControls()
{
    lblDatabase->hide();
    cmbDatabase->hide();
    auto* names = static_cast<QHBoxLayout*>(pnlName->layout());
    auto* lblLogin = new QLabel(QStringLiteral("ログイン"), pnlName);
    cmbLogin = new TqvDropDownCombo(pnlName);
    cmbLogin->setObjectName(QStringLiteral("cmbLogin"));
    cmbLogin->setEditable(true);
    cmbLogin->setMinimumContentsLength(12);
    cmbLogin->OnDropDown = [this] {
        WaitCursor cursor;
        db::Query* q = Session()->OpenSQL(JobLoginQuery(Version()));
        QStringList list;
        for (q->First(); !q->Eof(); q->Next())
            list << q->Fields().at(0)->AsString();
        q->Close();
        cmbLogin->clear();
        cmbLogin->addItems(list);
    };
    names->insertWidget(0, lblLogin);
    names->insertWidget(1, cmbLogin, 2);
    TrackChanges(cmbLogin);

    auto* layout = new QVBoxLayout(tabDefine);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* header = new QGridLayout;
    cmbCategory = new TqvDropDownCombo(tabDefine);
    cmbCategory->setObjectName(QStringLiteral("cmbCategory"));
    cmbCategory->setEditable(true);
    cmbCategory->OnDropDown = [this] {
        WaitCursor cursor;
        db::Query* q = Session()->OpenSQL(JobCategoryQuery());
        QStringList list;
        for (q->First(); !q->Eof(); q->Next())
            list << CategoryJa(q->Fields().at(2)->AsString());
        q->Close();
        cmbCategory->clear();
        cmbCategory->addItems(list);
    };
    chkEnabled = new TqvCheckBox(tabDefine);
    chkEnabled->setObjectName(QStringLiteral("chkEnabled"));
    chkEnabled->setText(QStringLiteral("有効"));
    chkEnabled->setChecked(true);
    txtDescription = new TqvStrEdit(tabDefine);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setMaxLength(512);
    cmbStartStep = new TqvDropDownCombo(tabDefine);
    cmbStartStep->setObjectName(QStringLiteral("cmbStartStep"));
    cmbStartStep->setEditable(true);
    cmbStartStep->setMinimumContentsLength(16);
    cmbStartStep->OnDropDown = [this] { FillStartSteps(); };
    header->addWidget(new QLabel(QStringLiteral("カテゴリ"), tabDefine), 0, 0);
    header->addWidget(cmbCategory, 0, 1);
    header->addWidget(chkEnabled, 0, 2);
    header->addWidget(new QLabel(QStringLiteral("コメント"), tabDefine), 1, 0);
    header->addWidget(txtDescription, 1, 1, 1, 2);
    header->addWidget(new QLabel(QStringLiteral("開始ステップ"), tabDefine), 2, 0);
    header->addWidget(cmbStartStep, 2, 1);
    header->setColumnStretch(1, 1);
    layout->addLayout(header);
    fraGrids = new TfraJobGrids(tabDefine);
    fraGrids->Session = [this] { return Session(); };
    fraGrids->Version = [this] { return Version(); };
    fraGrids->Modified = [this] { return Modified(); };
    fraGrids->SetModified = [this] {
        if (!m_loading)
            SetModified(true);
    };
    fraGrids->Databases = [this] {
        QStringList list;
        Session()->GetDatabase(list);
        return list;
    };
    layout->addWidget(fraGrids, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{cmbCategory, chkEnabled, txtDescription, cmbStartStep})
        TrackChanges(w);

    // The job's own delete question and note.
    disconnect(actDelete, &QAction::triggered, nullptr, nullptr);
    connect(actDelete, &QAction::triggered, this, [this] { DeleteJob(); });
}

void TfrmJob::FillStartSteps()
{
    const QString text = cmbStartStep->currentText();
    QStringList list;
    const QList<JobStepRow> steps = fraGrids->Steps();
    for (int i = 0; i < steps.size(); ++i)
        list << QString::number(i + 1) + QLatin1Char(':') + steps[i].name;
    const QSignalBlocker block(cmbStartStep);
    cmbStartStep->clear();
    cmbStartStep->addItems(list);
    cmbStartStep->setEditText(text);
}

void TfrmJob::ChangedIsNew()
{
    TfrmDefine::ChangedIsNew();
    UpdateCaption();
}

void TfrmJob::UpdateCaption()
{
    if (ScriptMode())
        return;
    IConnectionWindow* conn = OwnerForm();
    if (!IsNew())
        setWindowTitle(QStringLiteral("JOB - ") + cmbLogin->currentText() + QLatin1Char('.') + txtName->text() +
                       QStringLiteral(" @ ") + (conn ? conn->Server() : QString()) + QLatin1Char('.') +
                       (conn ? conn->DataBase() : QString()));
}

bool TfrmJob::IsFullScript() const { return IsNew() || SourceMode == smText || SourcePageActive(); }

namespace {
JobHeader Header(const TfrmJob& w, int version)
{
    JobHeader h;
    h.name = w.txtName->text();
    h.enabled = w.chkEnabled->isChecked();
    h.description = w.txtDescription->text();
    h.category = CategoryEn(w.cmbCategory->currentText());
    h.login = w.cmbLogin->currentText();
    h.startStepIndex = w.cmbStartStep->findText(w.cmbStartStep->currentText(), Qt::MatchExactly);
    h.version = version;
    return h;
}
} // namespace

QStringList TfrmJob::GetCreateScript() const
{
    return CreateScript(Header(*this, Version()), fraGrids->Steps(), fraGrids->Schedules());
}

QStringList TfrmJob::GetAlterScript() const
{
    return AlterScript(Header(*this, Version()), fraGrids->Steps(), fraGrids->Schedules(),
                       fraGrids->LoadedSchedules());
}

QStringList TfrmJob::GetDropScript() const { return DropScript(Header(*this, Version())); }

void TfrmJob::ShowData(bool isDrop)
{
    WaitCursor cursor;
    m_loading = true;
    struct Done {
        TfrmJob* w;
        ~Done()
        {
            w->m_loading = false;
            w->SetModified(false);
        }
    } done{this};
    TObjectSession* s = Session();
    if (!IsNew()) {
        db::Query* q = s->OpenSQL(JobHeaderQuery(), {txtName->text()});
        const bool found = !q->Eof();
        QStringList cols;
        if (found)
            for (int i = 0; i < 5; ++i)
                cols << q->Fields().at(i)->AsString();
        q->Close();
        if (!found) {
            if (SourceMode == smShow)
                Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
            Abort();
        }
        cmbLogin->setEditText(cols[0]);
        cmbCategory->setEditText(CategoryJa(cols[1]));
        txtDescription->setText(cols[2]);
        chkEnabled->setChecked(cols[3] == QStringLiteral("1"));
        try {
            db::Query* step = s->OpenSQL(JobStepQuery(), {txtName->text(), QString::number(cols[4].toInt())});
            if (!step->Eof())
                cmbStartStep->setEditText(cols[4] + QLatin1Char(':') + step->Fields().at(1)->AsString());
            step->Close();
        } catch (const std::exception&) {
            // the start step stays as it was
        }
        txtDescription->Save();
    }
    fraGrids->Clear();
    if (!IsNew()) {
        fraGrids->LoadSteps(txtName->text());
        fraGrids->LoadSchedules(txtName->text());
    }
    FillStartSteps();
    fraGrids->SaveSnapshots();
    if (SourcePageActive() || SourceMode == smText)
        SetSourceLines(isDrop ? GetDropScript() : GetCreateScript());
    UpdateCaption(); // the owner as loaded
}

void TfrmJob::CheckNames()
{
    if (txtName->text().isEmpty())
        Warn(QStringLiteral("名前を入力して下さい。"), txtName);
    if (cmbLogin->currentText().isEmpty())
        Warn(QStringLiteral("ログイン名を入力して下さい。"), cmbLogin);
    if (cmbCategory->currentText().isEmpty())
        Warn(QStringLiteral("カテゴリ名を入力して下さい。"), cmbCategory);
    TqvStringGrid* g = fraGrids->grdStep;
    for (int r = 1; r < g->RowCount() - 1; ++r) {
        if (!g->Cells(scName, r).isEmpty())
            continue;
        for (int c = scDatabase; c < StepColCount; ++c)
            if (!g->Cells(c, r).isEmpty())
                Warn(QStringLiteral("ステップ名を入力して下さい。"), g);
    }
}

QStringList TfrmJob::GetDDL()
{
    QStringList lines;
    if (!IsNew() && SourcePageActive())
        lines << GetDropScript();
    if (DefinePageActive())
        lines << (IsFullScript() ? GetCreateScript() : GetAlterScript());
    else
        lines << SourceLines();
    return lines;
}

QStringList TfrmJob::ScriptText(bool isDrop) { return isDrop ? GetDropScript() : GetCreateScript(); }

QString TfrmJob::DeleteStatement() { return JobDeleteStatement(txtName->text()); }

void TfrmJob::PreviewTarget(QString& database, QString& schema, QString& name)
{
    database.clear();
    schema.clear();
    name = txtName->text();
}

void TfrmJob::DeleteJob()
{
    if (IsNew())
        return;
    if (Box(QStringLiteral("ジョブを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    bool done = false;
    Guard([&] {
        WaitCursor cursor;
        Session()->ExecuteSQL(DeleteStatement());
        done = true;
    });
    if (!done)
        return;
    Box(QStringLiteral("ジョブが削除されました。"), MB_OK | MB_ICONINFORMATION);
    SetModified(false);
    frame()->close();
}

void TfrmJob::GetScript(IConnectionWindow* owner, const QString& jobName, QIODevice& stream)
{
    std::unique_ptr<TfrmJob> w(new TfrmJob(owner ? owner->connectionWidget() : nullptr, jobName, omDefine, true));
    w->WriteScriptTo(stream);
    Abort();
}

} // namespace qv
