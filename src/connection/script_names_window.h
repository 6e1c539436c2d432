#pragma once
// The script-name table editor (TfrmNameTable): checks the layout of the chosen table, creates
// it, fills it with initial rows and lets the user edit its rows in a data frame. The chosen
// table becomes the server's entry of ScriptOption.NameTable.
#include "controls/frame/data_frame.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QToolButton;
class QAction;

namespace qv {

class TObjectSession;

class TfrmNameTable : public QDialog, public TfraDataOwner {
    Q_OBJECT
public:
    // owner: the asking connection's session. connections: the open connections as shown in
    // the connection box ("login @ server.database") and their sessions; empty: the owner only.
    explicit TfrmNameTable(TObjectSession* owner, QWidget* parent = nullptr);
    FrameOwnerKind FrameOwnerType() const override { return FrameOwnerKind::Other; }

    // Opens the editor modally for the connection.
    static void ShowWindow(TObjectSession* owner, QWidget* parent = nullptr);
    // Tests answer the modal loop, the questions (with the optional check box) and warnings.
    static std::function<int(TfrmNameTable*)> ExecHook;
    static std::function<int(const QString& text, int flags, bool* check)> AskHook;
    static std::function<void(const QString& text, int flags)> MessageHook;

    TfraData* fraData;
    QComboBox* cmbConnection;
    QComboBox* cmbDatabase;
    QComboBox* cmbSchema;
    QComboBox* cmbName;
    QToolButton* btnCommit;
    QAction* mnuInstData;
    QToolButton* btnExit;

    // Takes the session: its databases, the server's stored reference split into the boxes.
    void SelectConnection(TObjectSession* session);
    // Opens the table of the boxes in the data frame; the layout flag tells whether it opened.
    void Reload();
    void btnCommitClick();
    void mnuInstDataClick();
    bool LayoutOk() const { return m_layoutOk; }
    QString UpdateTable() const { return m_updateTable; }

private:
    void closeData();
    int ask(const QString& text, int flags, bool* check);
    void warn(const QString& text);
    TObjectSession* m_session;
    QList<TObjectSession*> m_sessions;
    bool m_layoutOk = false;
    QString m_updateTable;
};

} // namespace qv
