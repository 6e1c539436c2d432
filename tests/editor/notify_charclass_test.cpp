#include "editor/charclass.h"
#include "editor/notify.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {
struct Listener {
    QStringList* log;
    QString name;
    void Hear(TPersistent*) { log->append(name); }
};
} // namespace

TEST(EditorNotify, UpdateCountBatchesAndUnmatchedEndSilences)
{
    TNotifyPersistent p;
    int fired = 0;
    p.OnChange = TNotifyEvent::Fn(&fired, [&](TPersistent* s) {
        EXPECT_EQ(s, &p);
        ++fired;
    });
    p.BeginUpdate();
    p.Changed();
    p.Changed();
    EXPECT_EQ(fired, 0);
    p.EndUpdate();
    EXPECT_EQ(fired, 1);
    p.EndUpdate(); // unmatched: count -1, Changed stays silent
    p.Changed();
    EXPECT_EQ(fired, 1);
    p.BeginUpdate(); // back to 0
    p.Changed();
    EXPECT_EQ(fired, 2);
    p.ChangedProc(&p); // own notification is not echoed
    EXPECT_EQ(fired, 2);
    TNotifyPersistent other;
    p.ChangedProc(&other);
    EXPECT_EQ(fired, 3);
}

TEST(EditorNotify, EventListCallsInOrderWithOwnerAndRemovesLastCopy)
{
    TPersistent owner;
    TNotifyEventList list(&owner);
    QStringList log;
    Listener a{&log, "A"}, b{&log, "B"};
    TPersistent* seen = nullptr;
    list.Add(TNotifyEvent::Of(&a, &Listener::Hear));
    list.Add(TNotifyEvent::Of(&b, &Listener::Hear));
    list.Add(TNotifyEvent::Of(&a, &Listener::Hear));
    list.Add(TNotifyEvent::Fn(&seen, [&](TPersistent* s) { seen = s; }));
    list.Changed();
    EXPECT_EQ(log, QStringList({"A", "B", "A"}));
    EXPECT_EQ(seen, &owner);
    list.Remove(TNotifyEvent::Of(&a, &Listener::Hear));
    log.clear();
    list.Changed();
    EXPECT_EQ(log, QStringList({"A", "B"})); // the later copy went
    list.Remove(TNotifyEvent::Of(&b, &Listener::Hear));
    list.Remove(TNotifyEvent::Of(&b, &Listener::Hear)); // not there: nothing
    log.clear();
    list.Changed();
    EXPECT_EQ(log, QStringList({"A"}));
}

TEST(EditorNotify, FileExtListIsCaseInsensitive)
{
    TFileExtComponent c;
    EXPECT_FALSE(c.HasExt(".sql"));
    c.SetFileExtList({".SQL", ".txt", ".sql"});
    EXPECT_EQ(c.FileExtList().Count(), 2);
    EXPECT_TRUE(c.HasExt(".sql"));
    EXPECT_FALSE(c.HasExt("sql"));
}

TEST(EditorCharClass, EastAsianWidthAndCombining)
{
    const struct {
        char32_t cp;
        int cls;
    } cases[] = {{0x41, eawNa}, {0x3042, eawW}, {0xFF21, eawF}, {0xFF71, eawH}, {0xE9, eawA}, {0x0E01, eawN},
                 {0x20000, eawW}, {0xF0000, eawN}, {0x3000, eawF}, {0x1100, eawW}, {0x115F, eawW}, {0x20A9, eawH},
                 {0xAC00, eawW}, {0xE000, eawA}, {0xFFFD, eawA}, {0xE0100, eawA}};
    for (const auto& c : cases)
        EXPECT_EQ(EastAsianWidthOf(c.cp), c.cls) << std::hex << uint32_t(c.cp);
    EXPECT_TRUE(IsCombiningChar(0x301));
    EXPECT_TRUE(IsCombiningChar(0x3099));
    EXPECT_TRUE(IsCombiningChar(0x1D165));
    EXPECT_FALSE(IsCombiningChar(0xCBF));
    EXPECT_FALSE(IsCombiningChar(0x41));
}

TEST(EditorCharClass, SurrogatesAndWideChars)
{
    const QString s = QString(QChar(0x61)) + QChar(0xD800) + QChar(0x62);
    EXPECT_EQ(UTF16ToUCS4(s), (std::vector<char32_t>{0x61, 0x62, 0}));
    EXPECT_TRUE(UTF16ToUCS4(QString()).empty());
    const QString pair = QString::fromUcs4(U"\U00020000");
    EXPECT_EQ(UTF16ToUCS4(pair), (std::vector<char32_t>{0x20000, 0}));
    EXPECT_EQ(SurrogateKindAt(pair, 1), 0); // the first unit is never classified
    EXPECT_EQ(SurrogateKindAt(pair, 2), 2);
    EXPECT_EQ(SurrogateKindAt(pair, 3), 0);

    const QString aHira = QString(QChar(0x61)) + QChar(0x3042);
    EXPECT_TRUE(IsWideCharAt(aHira, 2, false));
    EXPECT_FALSE(IsWideCharAt(aHira, 1, true));
    EXPECT_TRUE(IsWideCharAt(QString(QChar(0xE9)), 1, true));
    EXPECT_FALSE(IsWideCharAt(QString(QChar(0xE9)), 1, false));
    EXPECT_FALSE(IsWideCharAt(aHira, 0, true));
    EXPECT_FALSE(IsWideCharAt(aHira, 3, true));
}

TEST(EditorCharClass, StringHelpers)
{
    EXPECT_EQ(LeadingBlankWidth(u""), -1);
    EXPECT_EQ(LeadingBlankWidth(u"a"), 0);
    EXPECT_EQ(LeadingBlankWidth(u"  a"), 2);
    EXPECT_EQ(LeadingBlankWidth(QString(QChar(0x3000)) + " a"), 3);
    EXPECT_EQ(LeadingBlankWidth(u"\ta"), 0);
    EXPECT_EQ(TrimLeadingBlanks(QString("\t") + QChar(0x3000) + "a"), "a");
    EXPECT_TRUE(ContainsMBStr(u"c", u"abc"));
    EXPECT_FALSE(ContainsMBStr(u"", u"abc"));
    EXPECT_FALSE(ContainsMBStr(u"abcd", u"abc"));
    EXPECT_EQ(CountChar(u"a,b,c", u',', 3), 1);
    EXPECT_EQ(CharAt(u"ab", 3), QChar(0));

    QStringList l;
    SetStringsFromText(u"a\rb", l);
    EXPECT_EQ(l, QStringList({"a", "b"}));
    SetStringsFromText(u"a\r\n", l);
    EXPECT_EQ(l, QStringList({"a"}));
    SetStringsFromText(u"a\r\n\r\n", l);
    EXPECT_EQ(l, QStringList({"a", ""}));
    // A NUL is an ordinary character: the text after it is kept.
    SetStringsFromText(QString("a") + QChar(0) + "b\nc", l);
    EXPECT_EQ(l, QStringList({QString("a") + QChar(0) + "b", "c"}));
}
