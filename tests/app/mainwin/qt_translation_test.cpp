// Qt's own dialogs speak the program's language.
#include "app/application.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace qv;

TEST(QtTranslation, FileDialogAndStandardButtonsAreJapanese)
{
    QTranslator* translator = InstallQtTranslation(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "Qt's translations (qt6-translations-l10n) are not installed";
    struct Remove {
        QTranslator* t;
        ~Remove()
        {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    } remove{translator};

    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));

    QFileDialog dialog(nullptr, QStringLiteral("開く"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.resize(700, 450);
    dialog.show();
    QPushButton* cancel = nullptr;
    for (auto* box : dialog.findChildren<QDialogButtonBox*>())
        if (!cancel)
            cancel = box->button(QDialogButtonBox::Cancel);
    ASSERT_TRUE(cancel);
    EXPECT_NE(cancel->text().remove(QLatin1Char('&')), QStringLiteral("Cancel"));
    if (qEnvironmentVariableIsSet("QORVEL_RENDER_DIR"))
        dialog.grab().save(qEnvironmentVariable("QORVEL_RENDER_DIR") + "/qt_file_dialog.png");
}
