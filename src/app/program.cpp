#include "app/program.h"

#include <QApplication>
#include <QMainWindow>

namespace qv {

int runProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Qorvel for SQL Server"));
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Qorvel for SQL Server"));
    w.resize(1024, 720);
    w.show();
    return app.exec();
}

} // namespace qv
