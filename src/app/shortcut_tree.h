#pragma once
// The key page of the options dialogs: the main window's actions by menu, each with its
// shortcut, edited by typing the key on a row (Space removes it). The actions themselves
// change only by Apply.
#include <QTreeWidget>

namespace qv {

class ShortcutTree : public QTreeWidget {
    Q_OBJECT
public:
    struct Group {
        QString caption;
        QStringList actions; // object names of the main window's actions
    };
    // actionOwner: the object whose child QActions carry the shortcuts (the main window);
    // actions it lacks get no row.
    ShortcutTree(const QList<Group>& groups, QObject* actionOwner, QWidget* parent = nullptr);

    QTreeWidgetItem* itemFor(const QString& actionName) const;
    QString shortcutText(const QString& actionName) const;
    // Handles a key released on the current row (also called by the key-release event).
    void handleKey(int key, Qt::KeyboardModifiers modifiers);
    // Gives every listed action the shortcut of its row and lets the main window copy the
    // shortcuts on.
    void Apply() const;

    // The captions of an action: its menu text without access keys.
    static QString plainCaption(const QString& text);

protected:
    void keyReleaseEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    QObject* m_owner;
};

} // namespace qv
