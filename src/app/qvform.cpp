#include "app/qvform.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QShortcut>
#include <QTabWidget>
#include <QToolBar>

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "controls/inputs/inputs.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/messages.h"

namespace qv {

namespace {

IConnectionWindow* connectionOfOwner(QObject* owner)
{
    if (!owner)
        return nullptr;
    if (auto* conn = dynamic_cast<IConnectionWindow*>(owner))
        return conn;
    if (auto* form = qobject_cast<TqvForm*>(owner))
        return form->OwnerForm();
    if (auto* main = qobject_cast<TfrmMain*>(owner))
        return main->CurrentForm();
    return nullptr;
}

QTabWidget* firstTabWidget(QObject* o)
{
    for (QObject* c : o->children()) {
        if (auto* t = qobject_cast<QTabWidget*>(c))
            return t;
        if (QTabWidget* t = firstTabWidget(c))
            return t;
    }
    return nullptr;
}

// The key handling shared by the child windows: Alt pressed while an SQL editor of a child
// window has the focus switches that editor to box selection until Alt is released. The key
// itself goes on as usual.
class AltKeyWatch : public QObject {
public:
    using QObject::QObject;
    static void Install()
    {
        static QPointer<AltKeyWatch> watch;
        if (!watch && qApp) {
            watch = new AltKeyWatch(qApp);
            qApp->installEventFilter(watch);
        }
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        const QEvent::Type t = e->type();
        if (t != QEvent::KeyPress && t != QEvent::KeyRelease)
            return false;
        const auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() != Qt::Key_Alt || k->isAutoRepeat())
            return false;
        auto* memo = qobject_cast<TqvMemo*>(o); // key events reach the focused control first
        if (!memo)
            return false;
        for (QWidget* w = memo->parentWidget(); w; w = w->parentWidget())
            if (qobject_cast<TqvForm*>(w)) {
                memo->KeyDownAltKey = t == QEvent::KeyPress;
                break;
            }
        return false;
    }
};

} // namespace

TqvForm::TqvForm(QObject* owner, QWidget* parent) : QWidget(parent)
{
    AltKeyWatch::Install();
    SourceMode = smShow;
    InitComponents();
    SetOwnerForm(connectionOfOwner(owner));
    auto* prev = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), this);
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), this);
    prev->setContext(Qt::WidgetWithChildrenShortcut);
    next->setContext(Qt::WidgetWithChildrenShortcut);
    connect(prev, &QShortcut::activated, this, [this] { stepPage(false); });
    connect(next, &QShortcut::activated, this, [this] { stepPage(true); });
}

TqvForm::~TqvForm()
{
    delete m_taskButton.data();
    if (m_ownerConn)
        disconnect(m_ownerConn);
}

void TqvForm::InitComponents()
{
    m_useLowerName = qvOption.UseLowerName;
    ApplyComponentSettings();
}

void TqvForm::ApplyComponentSettings()
{
    // Names keep the letter case in which they are typed when the option asks for it.
    if (m_useLowerName) {
        for (auto* e : findChildren<TqvStrEdit*>())
            e->setCharCase(CharCase::Normal);
        for (auto* c : findChildren<TqvComboBox*>())
            c->setCharCase(CharCase::Normal);
    }
    if (!m_pageControl)
        m_pageControl = firstTabWidget(this);
}

namespace {
// The names of a definition window are typed by the user too, who may write them bracketed.
QString prefix(const QString& name) { return QuoteIdentifierKeepQuoted(name) + QLatin1Char('.'); }
} // namespace

QString TqvForm::GetSchemaPrefixEx(const QString& schema, const QString& ownerSchema) const
{
    const QString s = schema.trimmed();
    if (s.isEmpty())
        return QString();
    if (SourceMode == smShow)
        return prefix(schema);
    switch (ScriptOption.Owner) {
    case qmAlways: return prefix(schema);
    case qmDiffLogin:
        return m_ownerForm && s == m_ownerForm->GetCurrentSchema().trimmed() ? QString() : prefix(schema);
    case qmDiffOwner: return s == ownerSchema.trimmed() ? QString() : prefix(schema);
    default: return QString();
    }
}

QString TqvForm::GetDatabasePrefixEx(const QString& database, const QString& ownerDatabase) const
{
    const QString d = database.trimmed();
    if (d.isEmpty())
        return QString();
    if (SourceMode == smShow)
        return prefix(database);
    if (m_ownerForm && m_ownerForm->IsAzure())
        return QString();
    switch (ScriptOption.Database) {
    case qmAlways: return prefix(database);
    case qmDiffLogin:
        return m_ownerForm && d == m_ownerForm->DataBase().trimmed() ? QString() : prefix(database);
    case qmDiffOwner: return d == ownerDatabase.trimmed() ? QString() : prefix(database);
    default: return QString();
    }
}

QString TqvForm::GetServerPrefixEx(const QString& server, const QString& owner) const
{
    Q_UNUSED(owner);
    return server.trimmed().isEmpty() ? QString() : prefix(server);
}

void TqvForm::SetOwnerForm(IConnectionWindow* value)
{
    if (value == m_ownerForm)
        return;
    if (m_ownerConn)
        disconnect(m_ownerConn);
    m_ownerForm = value;
    if (value && value->connectionWidget())
        m_ownerConn = connect(value->connectionWidget(), &QObject::destroyed, this, [this] { ownerGone(); });
    BindQueries();
}

void TqvForm::ownerGone()
{
    // The connection window is gone: the windows it owned go with it.
    m_ownerForm = nullptr;
    m_ownerConn = {};
    frame()->deleteLater();
}

void TqvForm::BindQueries()
{
    if (!m_ownerForm)
        return;
    const auto all = findChildren<QObject*>();
    for (QObject* o : all)
        if (auto* c = dynamic_cast<SessionClient*>(o))
            c->attachSession(m_ownerForm);
}

void TqvForm::SetObjType(int value)
{
    if (value == m_objType)
        return;
    m_objType = value;
    SetIcon(value);
}

void TqvForm::SetIcon(int imageIndex)
{
    const QIcon icon = imgMain(imageIndex);
    setWindowIcon(icon);
    if (frame() != this)
        frame()->setWindowIcon(icon);
    if (m_taskButton)
        m_taskButton->setIcon(icon);
}

void TqvForm::SetIsNew(bool value)
{
    m_isNew = value;
    ChangedIsNew();
}

void TqvForm::CreateTaskButton()
{
    if (m_taskButton)
        return;
    TfrmMain* main = TfrmMain::instance();
    if (!main)
        return;
    auto* a = new QAction(main->tolTask());
    a->setCheckable(true);
    a->setToolTip(windowTitle());
    a->setIcon(imgMain(m_objType));
    main->taskGroup()->addAction(a);
    main->tolTask()->addAction(a);
    a->setChecked(true);
    a->setData(QVariant::fromValue<QObject*>(this));
    connect(a, &QAction::triggered, this, [this] {
        QWidget* f = frame();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(f)) {
            if (sub->isMinimized())
                sub->showNormal();
            if (sub->mdiArea())
                sub->mdiArea()->setActiveSubWindow(sub);
        } else {
            f->show();
            f->raise();
            f->activateWindow();
        }
    });
    m_taskButton = a;
}

QString TqvForm::TaskCaption() const { return m_taskButton ? m_taskButton->text() : QString(); }

void TqvForm::SetTaskCaption(const QString& value)
{
    if (!m_taskButton)
        return;
    m_taskButton->setText(value.size() > 12 ? value.left(12) + QStringLiteral("…") : value);
}

QWidget* TqvForm::frame() const
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return const_cast<TqvForm*>(this);
}

bool TqvForm::isNormalState() const
{
    const QWidget* f = frame();
    return !f->isMaximized() && !f->isMinimized();
}

bool TqvForm::DataPageShown() const
{
    if (!HasDataPage())
        return false;
    for (const QTabWidget* t : findChildren<QTabWidget*>())
        if (t->currentIndex() == 2)
            return true;
    return false;
}

void TqvForm::EnsureWindowSettings()
{
    if (m_settingsLoaded)
        return;
    m_settingsLoaded = true;
    LoadWindowSettings();
}

void TqvForm::showEvent(QShowEvent* e)
{
    if (!m_settingsLoaded)
        ApplyComponentSettings();
    EnsureWindowSettings();
    QWidget::showEvent(e);
}

void TqvForm::stepPage(bool next)
{
    // Previous or next tab, without wrapping around; the key goes no further in any case.
    QTabWidget* pc = m_pageControl ? m_pageControl.data() : firstTabWidget(this);
    if (!pc || pc->count() <= 1)
        return;
    pc->setFocus();
    const int i = pc->currentIndex() + (next ? 1 : -1);
    if (i >= 0 && i < pc->count())
        pc->setCurrentIndex(i);
}

bool TqvForm::CloseQuery()
{
    if (m_closeApproved)
        return true;
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose && m_modified) {
        switch (ShowMessageBox(QStringLiteral("情報が変更されています。コンパイルしますか？"),
                               MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            Compile();
            canClose = !m_modified;
            break;
        case IDNO: break;
        default: canClose = false; break;
        }
    }
    if (canClose) {
        SaveWindowSettings();
        m_closeApproved = true;
    }
    return canClose;
}

void TqvForm::closeEvent(QCloseEvent* e)
{
    if (!CloseQuery()) {
        e->ignore();
        return;
    }
    FormClose();
    emit closed();
    e->accept();
    // The window is always freed when it closes.
    if (QWidget* f = frame(); f != this)
        f->setAttribute(Qt::WA_DeleteOnClose);
    else
        setAttribute(Qt::WA_DeleteOnClose);
}

void TqvForm::Activated()
{
    TfrmMain* main = TfrmMain::instance();
    if (!main)
        return;
    if (m_ownerForm) {
        // The item of the owner connection itself: two connections may show the same text, and
        // the text on Azure is built from the reported login, not the typed one.
        QComboBox* cmb = main->cmbDBName();
        const int idx = cmb->findData(QVariant::fromValue(reinterpret_cast<quintptr>(m_ownerForm)));
        if (idx >= 0)
            cmb->setCurrentIndex(idx);
    }
    main->MenuUpdate();
    if (m_taskButton)
        m_taskButton->setChecked(true);
}

bool TqvForm::event(QEvent* e)
{
    if (e->type() == messageEventType(WM_RELOAD)) {
        Reload();
        return true;
    }
    if (e->type() == messageEventType(WM_DBCHANGE)) {
        DBChange();
        return true;
    }
    if (e->type() == QEvent::WindowTitleChange && m_taskButton)
        m_taskButton->setToolTip(windowTitle());
    return QWidget::event(e);
}

} // namespace qv
