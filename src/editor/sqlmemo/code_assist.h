#pragma once
// TqvCodeAssist: the completion popup of the SQL editor. A two-column list of candidates
// under the caret, filtered by what the user types (kept in a hidden one-line edit), which on
// acceptance replaces the word around the caret with the chosen name.
#include <QPointer>
#include <QStringList>
#include <QTreeWidget>
#include <vector>

class QLineEdit;

namespace qv {

class TqvMemo;

// The name as the completion list inserts it: unchanged when it is a reserved word, or when
// quoting is off and the server reads it bare; else in square brackets with "]" doubled.
QString CodeAssistQuotedName(const QString& name, const QStringList& reservedWords, bool useBQuote);

class TqvCodeAssist : public QTreeWidget {
    Q_OBJECT
public:
    TqvCodeAssist(TqvMemo* edit, QWidget* owner, int x, int y);
    ~TqvCodeAssist() override;

    TqvMemo* Editor() const { return m_owner.data(); }
    QLineEdit* Buf = nullptr;
    QStringList RWTable;
    bool UseBQuote = false;
    QStringList CaptionList;
    QStringList SubItemList;
    std::vector<int> ImageList;
    QStringList CaptionListW;
    QStringList SubItemListW;
    std::vector<int> ImageListW;
    int ItemMax = 100;

    void SetBuffer(const QString& buffer);
    void ShowItems();
    void AddItems();
    // Loads candidates until a page of rows stands ready below the last visible one, so that
    // dragging the scroll bar or clicking its track finds rows as well as keys and the wheel.
    void LoadVisibleRows();
    // After filling: accept a lone candidate at once, else show the list with item 0 selected.
    void Present();
    // Key handling entry points (Qt key codes), used by the key events and the tests.
    void HandleKey(int key, Qt::KeyboardModifiers mods);
    void HandleChar(QChar ch, Qt::KeyboardModifiers mods);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void Accept(QChar ch);
    void SendKeyToBuf(int key, Qt::KeyboardModifiers mods);
    bool Close();
    QPointer<TqvMemo> m_owner;
    bool m_loading = false;
};

} // namespace qv
