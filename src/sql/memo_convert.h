#pragma once
// The conversion panel of the SQL editor frame's tool palette ("SQLのプログラムソース化"): the
// rule combo with its add, delete and update buttons, the rule's fields, and the two
// conversions (editor SQL to program source on the clipboard; program source back to SQL in
// the editor). The rules and the conversions are sql/source_convert.*.
#include "sql/source_convert.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace qv {

class TqvMemo;

class TfraMemoConvert : public QWidget {
    Q_OBJECT
public:
    // Builds the panel into `body` (the palette section's content), working on `editor`.
    TfraMemoConvert(TqvMemo* editor, QWidget* body);

    QComboBox* cmbRule = nullptr;
    QToolButton* btnRuleAdd = nullptr;
    QToolButton* btnRuleDel = nullptr;
    QToolButton* btnRuleUpd = nullptr;
    QLineEdit* txtRowSt = nullptr;
    QLineEdit* txtRowEd = nullptr;
    QLineEdit* txtStrChar = nullptr;
    QLineEdit* txtBefore1 = nullptr;
    QLineEdit* txtAfter1 = nullptr;
    QLineEdit* txtBefore2 = nullptr;
    QLineEdit* txtAfter2 = nullptr;
    QLineEdit* txtBefore3 = nullptr;
    QLineEdit* txtAfter3 = nullptr;
    QCheckBox* chkHdSpaceOn = nullptr;
    QPushButton* btnSource = nullptr;
    QPushButton* btnSQL = nullptr;

    const convert::TRuleInf& RuleInf() const { return m_inf; }

    // Reads the rules from the settings, fills the combo and selects the stored rule.
    void LoadRules();
    // The combo's selection: fills the fields and stores the index.
    void cmbRuleChange(int index);
    void btnRuleAddClick();
    void btnRuleUpdClick();
    void btnRuleDelClick();
    void btnSourceClick();
    void btnSQLClick();

    // The rule the fields show now (the conversions use it).
    convert::TRuleDetails FieldRule() const;

    // Message boxes (tests): returns the button.
    static std::function<int(const QString& text, int flags)>& MessageHook();
    // The rule-name input box (tests): false for cancel.
    static std::function<bool(const QString& caption, const QString& prompt, QString& value)>& InputHook();

private:
    int message(const QString& text, int flags);
    void showRule(const convert::TRuleDetails& rule);
    void fillCombo();
    // The editor lines the conversion takes (the selection widened to whole lines).
    QStringList linesToConvert(convert::LineRange* range, bool* whole);

    TqvMemo* m_editor;
    convert::TRuleInf m_inf;
};

} // namespace qv
