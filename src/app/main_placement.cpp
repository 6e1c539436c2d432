// Placement of the main window and its bars, kept under the settings key GUI\MAIN.
#include <QDockWidget>
#include <QMdiArea>
#include <QTreeWidget>
#include <QtEndian>
#include <QToolBar>
#include <algorithm>

#include "app/main_window.h"
#include "platform/registry.h"

namespace qv {

namespace {

const QString kMainKey = SettingsRootKey + QStringLiteral("\\GUI\\MAIN");

QByteArray rectBytes(const QRect& r)
{
    // left, top, right, bottom as 32-bit little-endian integers (right and bottom exclusive)
    QByteArray b(16, '\0');
    qToLittleEndian<qint32>(r.left(), b.data());
    qToLittleEndian<qint32>(r.top(), b.data() + 4);
    qToLittleEndian<qint32>(r.left() + r.width(), b.data() + 8);
    qToLittleEndian<qint32>(r.top() + r.height(), b.data() + 12);
    return b;
}

bool bytesRect(const QByteArray& b, QRect& r)
{
    if (b.size() != 16)
        return false;
    const int l = qFromLittleEndian<qint32>(b.constData());
    const int t = qFromLittleEndian<qint32>(b.constData() + 4);
    const int rr = qFromLittleEndian<qint32>(b.constData() + 8);
    const int bb = qFromLittleEndian<qint32>(b.constData() + 12);
    r = QRect(QPoint(l, t), QSize(rr - l, bb - t));
    return true;
}

QByteArray readBinary(const TqvRegistry& reg, const QString& name)
{
    try {
        if (reg.GetDataType(name) == RegDataType::Binary)
            return reg.ReadBinaryData(name);
    } catch (...) {
    }
    return QByteArray();
}

Qt::DockWidgetArea areaOfAlign(int align)
{
    switch (align) {
    case 1: return Qt::TopDockWidgetArea;
    case 3: return Qt::LeftDockWidgetArea;
    case 4: return Qt::RightDockWidgetArea;
    default: return Qt::BottomDockWidgetArea;
    }
}

} // namespace

int TfrmMain::workSpaceAlign() const
{
    switch (dockWidgetArea(m_dockWorkSpace)) {
    case Qt::TopDockWidgetArea: return 1;
    case Qt::LeftDockWidgetArea: return 3;
    case Qt::RightDockWidgetArea: return 4;
    default: return 2;
    }
}

void TfrmMain::setWorkSpaceAlign(int align)
{
    if (align < 1 || align > 4)
        align = 2;
    const Qt::DockWidgetArea area = areaOfAlign(align);
    if (dockWidgetArea(m_dockWorkSpace) != area) {
        removeDockWidget(m_dockWorkSpace);
        addDockWidget(area, m_dockWorkSpace);
    }
}

void TfrmMain::setWorkSpaceSize(int size)
{
    const bool vertical = workSpaceAlign() <= 2;
    const QSize client = rect().size();
    const int half = (vertical ? client.height() : client.width()) / 2;
    if (size < 2)
        size = 1;
    size = std::min(size, std::max(1, half));
    m_workSpaceSize = size;
    resizeDocks({m_dockWorkSpace}, {size}, vertical ? Qt::Vertical : Qt::Horizontal);
}

int TfrmMain::workSpaceSize() const
{
    if (m_dockWorkSpace->isVisible())
        return workSpaceAlign() <= 2 ? m_dockWorkSpace->height() : m_dockWorkSpace->width();
    return m_workSpaceSize;
}

void TfrmMain::floatToolBar(QToolBar* t, const QRect& r)
{
    // A tool bar that is a window of its own is left out of the dock layout: it floats.
    t->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    t->setGeometry(r);
}

void TfrmMain::LoadMainPlacement()
{
    TqvRegistry reg;
    if (!reg.KeyExists(kMainKey) || !reg.OpenKey(kMainKey, false))
        return;
    int state = reg.GetInteger(QStringLiteral("WindowState"), 0);
    if (state == 1)
        state = 0; // never restored minimised
    if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    } else {
        setWindowState(Qt::WindowNoState);
        const QRect g(x(), y(), width(), height());
        const int l = reg.GetInteger(QStringLiteral("Left"), g.x());
        const int t = reg.GetInteger(QStringLiteral("Top"), g.y());
        const int w = reg.GetInteger(QStringLiteral("Width"), g.width());
        const int h = reg.GetInteger(QStringLiteral("Height"), g.height());
        move(l, t);
        resize(w, h);
    }
    const bool ws = reg.GetBool(QStringLiteral("WorkSpace"), true);
    m_workSpaceStyle = reg.GetInteger(QStringLiteral("WorkSpaceStyle"), 0);
    const int align = reg.GetInteger(QStringLiteral("WorkSpaceAlign"), 2);
    setWorkSpaceAlign(align);
    setWorkSpaceVisible(ws);
    const int size = reg.GetInteger(QStringLiteral("WorkSpaceSize"), workSpaceSize());
    setWorkSpaceSize(size);
    setTaskBarVisible(reg.GetBool(QStringLiteral("TaskBar"), true));
    setStatusBarVisible(reg.GetBool(QStringLiteral("StatusBar"), true));

    // Tool bars: floating ones at their rectangle; docked ones in rows by their stored
    // rectangle (same top = same row, ordered by left).
    struct Docked {
        QToolBar* bar;
        QRect rect;
        bool visible;
    };
    QList<Docked> docked;
    for (QToolBar* t : toolBars()) {
        const QString n = t->objectName();
        QRect r;
        if (!bytesRect(readBinary(reg, n + QStringLiteral("Rect")), r))
            r = t->isWindow() ? t->frameGeometry() : t->geometry();
        const bool fl = reg.GetBool(n + QStringLiteral("Float"), false);
        const bool vis = reg.GetBool(n + QStringLiteral("Visible"), true);
        if (fl) {
            floatToolBar(t, r);
            t->setVisible(vis);
        } else {
            docked.append({t, r, vis});
        }
    }
    std::stable_sort(docked.begin(), docked.end(), [](const Docked& a, const Docked& b) {
        return a.rect.top() != b.rect.top() ? a.rect.top() < b.rect.top() : a.rect.left() < b.rect.left();
    });
    for (const Docked& d : docked)
        removeToolBar(d.bar);
    int row = 0;
    for (int i = 0; i < docked.size(); ++i) {
        const Docked& d = docked.at(i);
        if (i > 0 && d.rect.top() != row)
            addToolBarBreak(Qt::TopToolBarArea);
        row = d.rect.top();
        if (d.bar->isWindow())
            d.bar->setWindowFlags(Qt::Widget);
        addToolBar(Qt::TopToolBarArea, d.bar);
        d.bar->setVisible(d.visible);
    }
    reg.CloseKey();
}

void TfrmMain::SaveMainPlacement()
{
    TqvRegistry reg;
    if (!reg.OpenKey(kMainKey, true))
        return;
    const int state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    reg.WriteInteger(QStringLiteral("WindowState"), state);
    if (state == 0) {
        reg.WriteInteger(QStringLiteral("Left"), x());
        reg.WriteInteger(QStringLiteral("Top"), y());
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
    reg.WriteBool(QStringLiteral("TaskBar"), !m_tolTask->isHidden());
    reg.WriteBool(QStringLiteral("StatusBar"), !m_stsMain->isHidden());
    reg.WriteBool(QStringLiteral("WorkSpace"), !m_dockWorkSpace->isHidden());
    reg.WriteInteger(QStringLiteral("WorkSpaceStyle"), m_workSpaceStyle);
    reg.WriteInteger(QStringLiteral("WorkSpaceAlign"), workSpaceAlign());
    reg.WriteInteger(QStringLiteral("WorkSpaceSize"), workSpaceSize());
    for (QToolBar* t : toolBars()) {
        const QString n = t->objectName();
        const bool fl = t->isWindow();
        const QRect r = fl ? QRect(t->frameGeometry().topLeft(), t->size()) : t->geometry();
        reg.WriteBinaryData(n + QStringLiteral("Rect"), rectBytes(r));
        reg.WriteBool(n + QStringLiteral("Visible"), !t->isHidden());
        reg.WriteBool(n + QStringLiteral("Float"), fl);
    }
    reg.CloseKey();
}

} // namespace qv
