#include "admin/session/session_analyze_dialog.h"

#include "admin/session/session_text.h"
#include "app/application.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "connection/object_actions.h"
#include "connection/object_list_view.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "connection/object_window_actions.h"
#include "controls/inputs/inputs.h"
#include "platform/db/query.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace qv {

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }
} // namespace

std::function<void(TfrmAnalyze*)>& TfrmAnalyze::RunModal()
{
    static std::function<void(TfrmAnalyze*)> hook;
    return hook;
}

std::function<int(const QString&, int)>& TfrmAnalyze::Message()
{
    static std::function<int(const QString&, int)> hook;
    return hook;
}

TfrmAnalyze::TfrmAnalyze(TfrmObject* owner)
    : QDialog(TfrmMain::instance()), m_owner(owner), qryStat(new db::Query(this))
{
    setObjectName(QStringLiteral("frmAnalyze"));
    setWindowTitle(S("統計情報"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    qryStat->SetConnection(owner->session()->dmSQLServer->Connection);

    auto* main = new QVBoxLayout(this);
    auto* modes = new QGroupBox(this);
    auto* ml = new QVBoxLayout(modes);
    rdoComp = new QRadioButton(S("正確な統計を収集する"), modes);
    rdoEst = new QRadioButton(S("推定の統計を収集する"), modes);
    ml->addWidget(rdoComp);
    ml->addWidget(rdoEst);
    auto* sample = new QWidget(modes);
    auto* sl = new QHBoxLayout(sample);
    sl->setContentsMargins(24, 0, 0, 0);
    lblSample = new QLabel(S("サンプル数"), sample);
    txtSample = new TqvNumEdit(sample);
    txtSample->setObjectName(QStringLiteral("txtSample"));
    txtSample->setText(QStringLiteral("1024"));
    txtSample->setMaximumWidth(90);
    rdoRows = new QRadioButton(S("行"), sample);
    rdoPer = new QRadioButton(S("％"), sample);
    auto* sampleGroup = new QButtonGroup(this);
    sampleGroup->addButton(rdoRows);
    sampleGroup->addButton(rdoPer);
    rdoRows->setChecked(true);
    sl->addWidget(lblSample);
    sl->addWidget(txtSample);
    sl->addWidget(rdoRows);
    sl->addWidget(rdoPer);
    sl->addStretch();
    ml->addWidget(sample);
    rdoDel = new QRadioButton(S("統計情報を削除する"), modes);
    ml->addWidget(rdoDel);
    auto* modeGroup = new QButtonGroup(this);
    for (QRadioButton* b : {rdoComp, rdoEst, rdoDel})
        modeGroup->addButton(b);
    rdoComp->setChecked(true);
    main->addWidget(modes);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton(S("開始"), this);
    btnCancel = new QPushButton(S("キャンセル"), this);
    btnOk->setDefault(true);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    main->addLayout(buttons);

    for (QRadioButton* b : {rdoComp, rdoEst, rdoDel})
        connect(b, &QRadioButton::clicked, this, [this] { modeClick(); });
    connect(rdoPer, &QRadioButton::clicked, this, [this] { rdoPerClick(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    modeClick();
}

void TfrmAnalyze::ShowWindow(TfrmObject* owner)
{
    TfrmAnalyze dlg(owner);
    if (RunModal())
        RunModal()(&dlg);
    else
        dlg.exec();
}

void TfrmAnalyze::modeClick()
{
    const bool on = rdoEst->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblSample, txtSample, rdoRows, rdoPer})
        w->setEnabled(on);
}

void TfrmAnalyze::rdoPerClick()
{
    txtSample->setText(sessiontext::PercentSample(txtSample->text()));
}

void TfrmAnalyze::dropStatistics(const QString& database, const QString& schema, const QString& name)
{
    // Looked up in the object's own database: a selection may span several.
    TObjectSession* s = m_owner->session();
    qryStat->Close();
    qryStat->SQL().SetText(sessiontext::StatNamesSql(database, s->DBVer));
    qryStat->ParamByName(QStringLiteral("NAME")).SetAsWideString(name);
    qryStat->ParamByName(QStringLiteral("OWNER")).SetAsWideString(schema);
    qryStat->Open();
    QStringList names;
    while (!qryStat->Eof()) {
        names << qryStat->Fields().at(0)->AsString();
        qryStat->Next();
    }
    qryStat->Close();
    for (const QString& st : names) {
        try {
            s->ExecuteSQL(sessiontext::DropStatisticsSql(database, schema, name, st));
        } catch (const std::exception&) {
            // Index statistics refuse DROP STATISTICS: the next entry follows.
        }
    }
}

void TfrmAnalyze::btnOkClick()
{
    TObjectActions* actions = m_owner->actions();
    const QList<QTreeWidgetItem*> items = actions->SelectedItems();
    const auto count = static_cast<int>(items.size());
    const bool deleting = rdoDel->isChecked();
    const sessiontext::StatMode mode = deleting              ? sessiontext::StatMode::Delete
                                       : rdoEst->isChecked() ? sessiontext::StatMode::Estimated
                                                             : sessiontext::StatMode::Exact;
    TfrmMain* mainWindow = TfrmMain::instance();
    {
        const QSignalBlocker block(m_owner->lstObject);
        try {
            for (int i = 0; i < count; ++i) {
                if (TObjectActions::ui().escape && TObjectActions::ui().escape())
                    break;
                QTreeWidgetItem* item = items.at(i);
                m_owner->lstObject->scrollToItem(item);
                if (mainWindow)
                    mainWindow->SetLoopMessage(i + 1, count);
                const actions::Row r = TObjectActions::RowOf(item);
                if (r.type == 45 || r.type == 47) {
                    if (deleting) {
                        dropStatistics(r.database(), r.schema(), r.name);
                    } else {
                        const QString sql = sessiontext::UpdateStatisticsSql(r.database(), r.schema(), r.name, mode,
                                                                             txtSample->text(), rdoPer->isChecked());
                        if (!sql.isEmpty())
                            m_owner->session()->ExecuteSQL(sql);
                    }
                }
                actions->SetRowSelected(item, false);
            }
        } catch (...) {
            HandleException(std::current_exception());
        }
    }
    const QString done = deleting ? S("統計情報を削除しました。") : S("統計情報の収集が完了しました。");
    if (Message())
        Message()(done, 64);
    else
        ShowMessageBox(done, 64);
    if (mainWindow)
        mainWindow->SetDefMessage();
}

} // namespace qv
