#pragma once
// Input controls with change tracking: each keeps a snapshot of its value (SaveValue, taken
// with Save) against which IsChanged is answered, a blank test (IsNull), moves the focus with
// Enter and the arrow keys, and shows a grey background while disabled.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include "app/edit_target.h"

namespace qv {

enum class CharCase { Normal, Upper, Lower };

// Behaviour shared by the value controls: focus movement and the snapshot on focus.
struct InputKeys {
    bool autoSave = false;   // take the snapshot whenever the control receives the focus
    bool wantArrow = true;   // arrow keys move to the previous or next control
    bool wantReturns = true; // Enter moves to the next control
    bool wantTabs = false;   // the control takes the Tab key itself
};

class TqvStrEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TqvStrEdit(QWidget* parent = nullptr);

    QString SaveValue;
    InputKeys keys;

    void Save() { SaveValue = text(); }
    bool IsChanged() const { return text() != SaveValue; }
    bool IsNull() const;

    CharCase charCase() const { return m_charCase; }
    void setCharCase(CharCase c);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;
    // Called with the focus-in after the snapshot; the numeric edit selects its text here.
    virtual void enteredFocus() {}

private:
    CharCase m_charCase = CharCase::Normal;
};

class TqvNumEdit : public TqvStrEdit {
    Q_OBJECT
public:
    explicit TqvNumEdit(QWidget* parent = nullptr);

    bool allowMinus() const { return m_allowMinus; }
    void setAllowMinus(bool on);

    double ValueFloat() const;
    void setValueFloat(double v);
    int ValueInt() const;
    void setValueInt(int v);

protected:
    void enteredFocus() override;

private:
    bool m_allowMinus = false;
};

class TqvComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TqvComboBox(QWidget* parent = nullptr);

    QString SaveValue;
    InputKeys keys;

    void Save() { SaveValue = currentText(); }
    bool IsChanged() const { return currentText() != SaveValue; }
    bool IsNull() const;

    CharCase charCase() const { return m_charCase; }
    void setCharCase(CharCase c);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;

private:
    CharCase m_charCase = CharCase::Normal;
};

class TqvCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TqvCheckBox(QWidget* parent = nullptr);
    explicit TqvCheckBox(const QString& text, QWidget* parent = nullptr);

    Qt::CheckState SaveValue = Qt::Unchecked;
    InputKeys keys;

    void Save() { SaveValue = checkState(); }
    bool IsChanged() const { return checkState() != SaveValue; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    bool event(QEvent* e) override;
};

class TqvRadioButton : public QRadioButton {
    Q_OBJECT
public:
    explicit TqvRadioButton(QWidget* parent = nullptr);
    explicit TqvRadioButton(const QString& text, QWidget* parent = nullptr);

    bool SaveValue = false;
    InputKeys keys;

    void Save() { SaveValue = isChecked(); }
    bool IsChanged() const { return isChecked() != SaveValue; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    bool event(QEvent* e) override;
};

// A list box whose select-all request (the main window's select-all command) selects every
// item when it allows more than one selection.
class TqvListBox : public QListWidget, public EditTarget {
    Q_OBJECT
public:
    explicit TqvListBox(QWidget* parent = nullptr);

    bool handleEditCommand(EditCommand cmd) override;
};

} // namespace qv
