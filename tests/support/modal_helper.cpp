#include "support/modal_helper.h"

#include <QPixmap>

namespace qvtest {

void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

QString saveGrab(QWidget* w, const QString& name)
{
    const QString dir = QStringLiteral(QORVEL_BINARY_DIR) + QStringLiteral("/screens");
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    w->grab().save(path);
    return path;
}

} // namespace qvtest
