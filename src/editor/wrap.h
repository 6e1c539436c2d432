#pragma once
// Word wrap: the wrap options with the Japanese line-breaking rules, the column map of a
// text (one code per screen column) and the column cursor that walks it.
#include "editor/notify.h"

#include <QString>
#include <QStringView>
#include <bitset>

namespace qv {

// What a column map depends on; the store takes it from its reference editor.
struct TColumnMapSettings {
    int TabSpaceCount = 8;
    // Ambiguous-width characters take two cells (the East-Asian width rule; on by default).
    bool AmbiguousWide = true;
    bool WordWrap = false;
    int WrapByte = 80;
    std::bitset<256> Delimiters = DefaultDelimiters();

    // #0..#47, #58..#64, #91..#94, #96, #123..#128, #160..#165, #253..#255.
    static std::bitset<256> DefaultDelimiters();
};

// Column map codes: '1' half-width, '2' delimiter, '3' tab fill, '4' / '5' halves of a
// double-width character. Capped at WrapByte + 3 codes under word wrap, else 10,000.
QString GetColumnMap(QStringView text, const TColumnMapSettings& s);
// The map's length (the display width, capped as the map is) without building it.
int ExpandTabLength(QStringView text, const TColumnMapSettings& s);
// Number of '3' codes among the first N codes plus '4' codes among the first N - 1.
int ColumnMapExtra(QStringView map, int n);
// Tabs expanded to runs of ESC characters (U+001B).
QString ExpandTab(QStringView s, const TColumnMapSettings& settings);

class TEditorWrapOption : public TNotifyPersistent {
public:
    TEditorWrapOption();
    bool FollowRetMark() const { return m_followRetMark; }
    bool FollowPunctuation() const { return m_followPunctuation; }
    const QString& FollowStr() const { return m_followStr; }
    bool Leading() const { return m_leading; }
    const QString& LeadStr() const { return m_leadStr; }
    const QString& PunctuationStr() const { return m_punctuationStr; }
    bool WordBreak() const { return m_wordBreak; }
    int WrapByte() const { return m_wrapByte; }

    void SetFollowRetMark(bool v) { SetField(m_followRetMark, v); }
    void SetFollowPunctuation(bool v) { SetField(m_followPunctuation, v); }
    void SetFollowStr(const QString& v) { SetField(m_followStr, v); }
    void SetLeading(bool v) { SetField(m_leading, v); }
    void SetLeadStr(const QString& v) { SetField(m_leadStr, v); }
    void SetPunctuationStr(const QString& v) { SetField(m_punctuationStr, v); }
    void SetWordBreak(bool v) { SetField(m_wordBreak, v); }
    // Clamped to 20 .. 250.
    void SetWrapByte(int v) { SetField(m_wrapByte, std::clamp(v, 20, 250)); }
    void Assign(const TEditorWrapOption& src);

private:
    bool m_followRetMark = false;
    bool m_followPunctuation = false;
    QString m_followStr;
    bool m_leading = false;
    QString m_leadStr;
    QString m_punctuationStr;
    bool m_wordBreak = false;
    int m_wrapByte = 80;
};

// The column cursor over a text and its column map.
class TEditorAttributeArray {
public:
    TEditorAttributeArray(QStringView source, QStringView attributes) { NewData(source, attributes); }
    void NewData(QStringView source, QStringView attributes);
    void Next();
    void Prior();
    int Position() const { return m_position; }
    void SetPosition(int v);
    QChar Attribute() const { return m_attribute; }
    int SourcePos() const { return m_sourcePos; }
    int Size() const { return int(m_attributes.size()) - 1; }
    QString PositionString() const;
    QString NextPositionString();
    // Back over one character; never stops on the first half of a double-width character.
    void StepBack();

private:
    QStringView m_source;
    QString m_attributes;
    int m_position = 0;
    QChar m_attribute;
    int m_sourcePos = 0;
};

} // namespace qv
