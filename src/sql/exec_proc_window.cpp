#include "sql/exec_proc_window.h"

#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/wait_cursor.h"
#include "connection/dm_sqlserver.h"
#include "connection/object_session.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qv {

std::function<void(QWidget*, const QString&, int)> TfrmExecProc::MessageHook = [](QWidget*, const QString& text, int icon) {
    ShowMessageBox(text, icon);
};

namespace {
const QString WindowKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\EXECPROC");
const QString OutputHeader = QStringLiteral("【 実行後パラメータ値 】");
constexpr int RoleKind = Qt::UserRole + 1;

QVariantList rowOf(db::Query* q)
{
    QVariantList row;
    for (db::Field* f : q->Fields())
        row << f->Value();
    return row;
}
} // namespace

QString TfrmExecProc::CaptionFor(const QString& server, const QString& database, const QString& schema, const QString& name)
{
    return QStringLiteral("ストアドプログラム実行 - ") + schema + u'.' + name + QStringLiteral(" @ ") + server + u'.' + database;
}

TfrmExecProc::TfrmExecProc(TObjectSession* owner, const QString& database, const QString& schema, const QString& objectName,
                           int objectType, QWidget* parent)
    : TqvForm(owner ? owner->parent() : nullptr, parent), m_owner(owner), m_database(database), m_schema(schema),
      m_name(objectName)
{
    setObjectName(QStringLiteral("frmExecProc"));
    SetObjType(objectType);
    setWindowTitle(CaptionFor(owner->g_Server, database, schema, objectName));
    SetIcon(28);
    SetTaskCaption(objectName);

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnExec = tolCmd->addAction(imgMain(28), QStringLiteral("実行(&E)"), this, [this] { btnExecClick(); });
    btnExit = tolCmd->addAction(imgMain(42), QStringLiteral("終了(&X)"), this, [this] { close(); });

    auto* info = new QWidget(this);
    auto* form = new QHBoxLayout(info);
    form->setContentsMargins(4, 2, 4, 2);
    cmbDataBase = new QComboBox(info);
    cmbDataBase->addItem(database);
    cmbDataBase->setEnabled(false);
    cmbSchema = new QComboBox(info);
    cmbSchema->addItem(schema);
    cmbSchema->setEnabled(false);
    txtName = new QLineEdit(objectName, info);
    txtName->setReadOnly(true);
    for (auto [label, w] : {std::pair<QString, QWidget*>{QStringLiteral("データベース"), cmbDataBase},
                            {QStringLiteral("所有者"), cmbSchema},
                            {QStringLiteral("名前"), txtName}}) {
        auto* l = new QLabel(label, info);
        l->setBuddy(w);
        form->addWidget(l);
        form->addWidget(w, w == txtName ? 2 : 1);
    }

    lstParam = new QTreeWidget(this);
    lstParam->setObjectName(QStringLiteral("lstParam"));
    lstParam->setColumnCount(3);
    lstParam->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("タイプ"), QStringLiteral("値")});
    lstParam->setRootIsDecorated(false);
    lstParam->header()->setStretchLastSection(true);
    lstParam->setColumnWidth(0, 160);
    lstParam->setColumnWidth(1, 140);
    txtParam = new QLineEdit(lstParam->viewport());
    txtParam->setObjectName(QStringLiteral("txtParam"));
    txtParam->hide();
    txtParam->installEventFilter(this);

    txtOutput = new QPlainTextEdit(this);
    txtOutput->setObjectName(QStringLiteral("txtOutput"));
    txtOutput->setReadOnly(true);
    txtOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtOutput->setPlainText(OutputHeader);

    splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(lstParam);
    splitter->addWidget(txtOutput);
    splitter->setStretchFactor(0, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tolCmd);
    layout->addWidget(info);
    layout->addWidget(splitter, 1);

    connect(lstParam, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* cur) {
        if (cur)
            SelectParam(lstParam->indexOfTopLevelItem(cur));
    });
    connect(lstParam->header(), &QHeaderView::sectionResized, this, [this] { placeEdit(); });
    connect(lstParam->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeEdit(); });
    connect(lstParam->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeEdit(); });

    // The object's kind: a table-valued function shows its rows instead of being executed.
    db::Query* q = m_owner->OpenSQL(m_owner->Use(database) + QStringLiteral("\r\n") + ProcKindSQL(m_owner->DBVer),
                                    {schema, objectName});
    if (!q->Eof()) {
        const QString kind = q->Fields().value(0) ? q->Fields().value(0)->AsString().trimmed().toUpper() : QString();
        flg_TblFnc = kind == QLatin1String("TF") || kind == QLatin1String("IF");
    }
    q->Close();
    fillParams();
    resize(560, 420);
}

void TfrmExecProc::fillParams()
{
    const QSignalBlocker block(lstParam);
    lstParam->clear();
    FPreNode = nullptr;
    const bool procedure = ObjType() == 51;
    db::Query* q = m_owner->OpenSQL(m_owner->Use(m_database) + QStringLiteral("\r\n") +
                                        ProcParamsSQL(m_owner->DBVer, procedure, !procedure && flg_TblFnc),
                                    {m_schema, m_name});
    while (!q->Eof()) {
        const ProcParam p = ProcParamFromRow(rowOf(q));
        auto* item = new QTreeWidgetItem(lstParam, {p.name, p.typeText, p.value});
        item->setIcon(0, imgMain(ProcParamImage(p.kind)));
        item->setData(0, RoleKind, static_cast<int>(p.kind));
        q->Next();
    }
    q->Close();
}

QList<ProcParam> TfrmExecProc::Parameters() const
{
    QList<ProcParam> out;
    for (int i = 0; i < lstParam->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lstParam->topLevelItem(i);
        ProcParam p;
        p.name = item->text(0);
        p.typeText = item->text(1);
        p.value = (item == FPreNode && txtParam->isVisible()) ? txtParam->text() : item->text(2);
        p.kind = static_cast<ProcParamKind>(item->data(0, RoleKind).toInt());
        out << p;
    }
    return out;
}

void TfrmExecProc::SetParamValue(int row, const QString& value)
{
    QTreeWidgetItem* item = lstParam->topLevelItem(row);
    if (!item)
        return;
    item->setText(2, value);
    if (item == FPreNode)
        txtParam->setText(value);
}

void TfrmExecProc::storeEdit()
{
    if (FPreNode)
        FPreNode->setText(2, txtParam->text());
}

void TfrmExecProc::SelectParam(int row)
{
    storeEdit();
    QTreeWidgetItem* item = lstParam->topLevelItem(row);
    if (!item) {
        txtParam->hide();
        FPreNode = nullptr;
        return;
    }
    if (lstParam->currentItem() != item) {
        const QSignalBlocker block(lstParam);
        lstParam->setCurrentItem(item);
    }
    FPreNode = item;
    txtParam->setText(item->text(2));
    placeEdit();
    txtParam->show();
    txtParam->setFocus();
    txtParam->selectAll();
}

void TfrmExecProc::placeEdit()
{
    if (!FPreNode)
        return;
    const QRect r = lstParam->visualItemRect(FPreNode);
    QHeaderView* h = lstParam->header();
    const int left = h->sectionViewportPosition(2) + 2;
    const int right = std::min(left - 2 + h->sectionSize(2), lstParam->viewport()->width());
    txtParam->setGeometry(left, r.top(), std::max(right - left, 10), std::max(r.height(), txtParam->sizeHint().height()));
}

bool TfrmExecProc::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == txtParam && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const int row = FPreNode ? lstParam->indexOfTopLevelItem(FPreNode) : -1;
        int next = -2;
        if (k->key() == Qt::Key_Down || (k->key() == Qt::Key_Tab && !(k->modifiers() & Qt::ShiftModifier)))
            next = row + 1;
        else if (k->key() == Qt::Key_Up || k->key() == Qt::Key_Backtab)
            next = row - 1;
        if (next >= 0 && next < lstParam->topLevelItemCount()) {
            SelectParam(next);
            return true;
        }
        if (next != -2)
            return true;
    }
    return TqvForm::eventFilter(watched, e);
}

void TfrmExecProc::setStatus(const QString& text)
{
    m_status = text;
    if (TfrmMain* main = TfrmMain::instance())
        if (main->stsMain())
            main->stsMain()->setPanelText(2, text);
}

void TfrmExecProc::btnExecClick()
{
    WaitCursor wait;
    storeEdit();
    const QList<ProcParam> params = Parameters();
    db::Query q;
    q.SetConnection(m_owner->dmSQLServer->Connection);
    q.SQL().Assign({m_owner->Use(m_database), ExecCallText(m_schema, m_name, params)});
    bool ok = true;
    try {
        for (const ProcParam& p : params) {
            if (db::Param* target = q.FindParam(ProcParamMarker(p)))
                BindProcParam(*target, p);
        }
    } catch (const Exception& e) {
        ExecStatus = TExecStatus::esEndError;
        MessageHook(this, e.message(), MB_ICONERROR);
        writeResult(q);
        return;
    }
    tm = QDateTime::currentDateTime();
    setStatus(QStringLiteral("ストアドプログラム実行中..."));
    ExecStatus = TExecStatus::esRunning;
    if (flg_TblFnc) {
        ExecStatus = TExecStatus::esEndComplite;
    } else {
        try {
            q.ExecSQL();
            ExecStatus = TExecStatus::esEndComplite;
        } catch (const Exception& e) {
            ExecStatus = TExecStatus::esEndError;
            ok = false;
            MessageHook(this, e.message(), MB_ICONERROR);
        }
    }
    try {
        writeResult(q);
    } catch (const Exception& e) {
        MessageHook(this, e.message(), MB_ICONERROR);
        return;
    }
    if (ok) {
        const qint64 ms = tm.msecsTo(QDateTime::currentDateTime());
        setStatus(QStringLiteral("処理時間(HH:MM:SS.Ms)：") + QTime(0, 0).addMSecs(static_cast<int>(ms)).toString(QStringLiteral("hh:mm:ss.zzz")));
        MessageHook(this, QStringLiteral("プログラムを実行しました。"), MB_ICONINFORMATION);
    }
}

void TfrmExecProc::writeResult(db::Query& q)
{
    QStringList out{OutputHeader};
    const QList<ProcParam> params = Parameters();
    for (int i = 0; i < params.size(); ++i) {
        const ProcParam& p = params.at(i);
        if (p.typeText.compare(QLatin1String("TABLE"), Qt::CaseInsensitive) == 0) {
            out << p.name + QStringLiteral(" : TABLE");
            db::Query* rows = m_owner->OpenSQL(TableFunctionSQL(m_database, m_schema, m_name, params));
            if (rows->Eof()) {
                out << QStringLiteral("(レコードが見つかりませんでした)");
            } else {
                QStringList names;
                for (db::Field* f : rows->Fields())
                    names << f->FieldName();
                out << names.join(u'\t');
                while (!rows->Eof()) {
                    QStringList cells;
                    for (db::Field* f : rows->Fields())
                        cells << f->AsString();
                    out << cells.join(u'\t');
                    rows->Next();
                }
            }
            rows->Close();
            out << QString();
        } else {
            const db::Param* qp = q.FindParam(ProcParamMarker(p));
            out << ProcParamOutputLine(p, qp ? qp->Value() : QVariant());
        }
        if (QTreeWidgetItem* item = lstParam->topLevelItem(i))
            item->setText(2, item->text(2).trimmed());
    }
    txtOutput->setPlainText(out.join(u'\n'));
}

void TfrmExecProc::LoadWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(WindowKey))
        return;
    resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
    const int h = reg.GetInteger(QStringLiteral("OutputHeight"), 0);
    if (h > 0)
        splitter->setSizes({std::max(splitter->height() - h, 40), h});
}

void TfrmExecProc::SaveWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKey(WindowKey, true))
        return;
    if (isNormalState()) {
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
    reg.WriteInteger(QStringLiteral("OutputHeight"), txtOutput->height());
}

} // namespace qv
