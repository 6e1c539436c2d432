#pragma once
// TfrmDataGenerate: the test-data generator of a table or view. The generator itself is not
// built yet: this modal window names the object and says so.
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace qv {

class IConnectionWindow;

class TfrmDataGenerate : public QDialog {
    Q_OBJECT
public:
    TfrmDataGenerate(const QString& database, const QString& schema, const QString& objectName,
                     QWidget* parent = nullptr);

    // Opens the generator for database.schema.objectName of the connection window's server.
    static void ShowWindow(IConnectionWindow* owner, const QString& database, const QString& schema,
                           const QString& objectName);
    // Tests: called with the window in place of running it modally.
    static std::function<void(TfrmDataGenerate&)> ShowHook;

    QLabel* lblObject = nullptr;
    QLabel* lblNote = nullptr;
    QPushButton* btnClose = nullptr;
};

} // namespace qv
