#pragma once
// The formatter layout controls shared by the editor options dialog's "SQL整形" page and the
// options dialog's "整形出力" page: indent, the six radio groups of TFormatOption and a
// read-only sample formatted with the choices as they stand.
#include "app/options.h"

#include <QHash>
#include <QWidget>

class QButtonGroup;
class QLineEdit;
class QPlainTextEdit;

namespace qv {

// The statement the sample shows formatted.
extern const QString SampleSQL;

class TfraFormatOption : public QWidget {
    Q_OBJECT
public:
    explicit TfraFormatOption(QWidget* parent = nullptr);

    // Shows the given layout and formats the sample with it.
    void Load(const TFormatOption& options);
    // Writes the controls into options; a group without a choice keeps its field.
    void Store(TFormatOption& options) const;
    // The layout the controls show.
    TFormatOption Current() const;

    QLineEdit* txtIndent = nullptr;
    QHash<QString, QButtonGroup*> radios; // "ItemReturn", "ReservePos", "CommaPos", "AndPos", "ReserveTrans", "ItemTrans"
    QPlainTextEdit* txtFormat = nullptr;

private:
    void refreshSample();
};

} // namespace qv
