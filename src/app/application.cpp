#include "app/application.h"

#include "platform/exceptions.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QtDebug>

namespace qv {

namespace {

void standardBox(const QString& title, const QString& text, bool /*databaseError*/)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

ExceptionBox& exceptionBox()
{
    static ExceptionBox box = standardBox;
    return box;
}

QString title()
{
    const QString name = QApplication::applicationName();
    return name.isEmpty() ? ApplicationTitle : name;
}

// Guards against a box raised while the box itself is being shown by a failing handler.
int g_reporting = 0;

void report(const QString& text, bool databaseError)
{
    if (g_reporting > 0) {
        qWarning().noquote() << text;
        return;
    }
    ++g_reporting;
    try {
        exceptionBox()(title(), text, databaseError);
    } catch (...) {
        qWarning().noquote() << text;
    }
    --g_reporting;
}

} // namespace

TqvApplication::TqvApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(ApplicationTitle);
    InstallQtTranslation(*this);
}

QTranslator* InstallQtTranslation(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    for (const QString& dir : {QLibraryInfo::path(QLibraryInfo::TranslationsPath), QStringLiteral("/usr/share/qt6/translations")})
        if (translator->load(japanese, QStringLiteral("qt"), QStringLiteral("_"), dir) && app.installTranslator(translator))
            return translator;
    delete translator;
    return nullptr;
}

bool TqvApplication::notify(QObject* receiver, QEvent* event)
{
    return NotifyGuarded([&] { return QApplication::notify(receiver, event); });
}

bool NotifyGuarded(const std::function<bool()>& deliver)
{
    try {
        return deliver();
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

void HandleException(std::exception_ptr error)
{
    if (!error)
        return;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // The silent abort: the operation has already told the user what it needed to.
    } catch (const EDatabaseError& e) {
        report(e.message(), true);
    } catch (const Exception& e) {
        report(e.message(), false);
    } catch (const std::exception& e) {
        report(QString::fromLocal8Bit(e.what()), false);
    } catch (...) {
        report(QStringLiteral("不明なエラーが発生しました。"), false);
    }
}

void SetExceptionBox(ExceptionBox box) { exceptionBox() = box ? std::move(box) : ExceptionBox(standardBox); }

} // namespace qv
