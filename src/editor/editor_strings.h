#pragma once
// The editor's text as programs see it (Lines): one string per logical line whatever word
// wrap does to the screen rows. Every change is one ReplaceRows of the row store (one undo
// step) inside a caret update of the editor; loading a whole text rebuilds the store.
#include "editor/screen_strings.h"
#include "editor/undo.h"

#include <QStringList>
#include <memory>

namespace qv {

class TextEncoding;

class TEditorStrings {
public:
    // Lines over the store an editor holds (the holder may be switched to another store).
    TEditorStrings(std::shared_ptr<TEditorScreenStrings>* holder, TEditorStoreClient* editor);
    // Lines over a store of their own (no editor).
    explicit TEditorStrings(std::shared_ptr<TEditorScreenStrings> store = std::make_shared<TEditorScreenStrings>());

    TEditorScreenStrings& Store() const { return **m_holder; }
    TEditorStoreClient* Editor() const { return m_editor; }

    int Count() const;
    QString Get(int index) const;
    QString operator[](int index) const { return Get(index); }
    // All rows joined, CR LF after each row that ends with a line break.
    QString GetTextStr() const;
    void SetTextStr(QStringView value);
    void Put(int index, const QString& s);
    void Insert(int index, const QString& s);
    int Add(const QString& s);
    void Delete(int index);
    void Clear();
    // Takes a list of strings as the text; the caret goes below the last row.
    void Assign(const QStringList& lines);
    // One string per logical line (the stored form of the list).
    QStringList ToStringList() const;
    // Clears and adds each string as a row.
    void ReadStrings(const QStringList& lines);
    int LineToRow(int index) const;

    void BeginUpdate();
    void EndUpdate();

    // Whole-file load and save. Without an encoding, load takes the encoding from a
    // byte-order mark (UTF-8, UTF-16 LE/BE), else the ANSI code page. Save writes the
    // encoding's byte-order mark when WriteBOM is on. Failures raise qv::Exception.
    void LoadFromFile(const QString& fileName, const TextEncoding* encoding = nullptr);
    void SaveToFile(const QString& fileName, const TextEncoding& encoding) const;
    bool WriteBOM = true;

private:
    void CaretUpdate(const std::function<void()>& body);
    void DropSelection() const
    {
        if (m_editor)
            m_editor->CleanSelection();
    }
    std::shared_ptr<TEditorScreenStrings> m_own;
    std::shared_ptr<TEditorScreenStrings>* m_holder;
    TEditorStoreClient* m_editor;
    int m_updateCount = 0;
};

} // namespace qv
