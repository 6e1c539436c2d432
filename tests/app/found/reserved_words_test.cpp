#include "app/reserved_words.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace qv;

TEST(ReservedWords, BuiltInListHasAllEntriesInOrder)
{
    QStringList list;
    LoadDefaultReserveWords(list);
    ASSERT_EQ(list.size(), 1334);
    EXPECT_EQ(list.mid(0, 3), (QStringList{"ABSOLUTE", "ACTION", "ADA"}));
    EXPECT_EQ(list.mid(1331), (QStringList{"sp_helparticle", "sp_vupgrade_replication", "sp_helparticlecolumns"}));
    // Section boundaries: last keyword, first function, last function, first procedure.
    EXPECT_EQ(list.at(416), QStringLiteral("ZONE"));
    EXPECT_EQ(list.at(417), QStringLiteral("AVG"));
    EXPECT_EQ(list.at(678), QStringLiteral("UPDATE()"));
    EXPECT_EQ(list.at(679), QStringLiteral("sp_column_privileges"));
    // Letter case as listed.
    EXPECT_TRUE(list.contains(QStringLiteral("EncryptByKey")));
    EXPECT_TRUE(list.contains(QStringLiteral("Replace")));
    EXPECT_TRUE(list.contains(QStringLiteral("grouping")));

    // 22 words appear twice, letter case ignored.
    QSet<QString> folded;
    for (const QString& w : list)
        folded.insert(w.toCaseFolded());
    EXPECT_EQ(folded.size(), 1334 - 22);
    for (const QString& w : list)
        EXPECT_FALSE(w.isEmpty() || w.contains(u' ') || w.contains(u',')) << w.toStdString();
}

TEST(ReservedWords, AppendsAfterExistingEntries)
{
    QStringList list{"MYWORD", "other"};
    LoadDefaultReserveWords(list);
    ASSERT_EQ(list.size(), 1336);
    EXPECT_EQ(list.mid(0, 3), (QStringList{"MYWORD", "other", "ABSOLUTE"}));
}

TEST(ReservedWords, LookupIgnoresCase)
{
    EXPECT_TRUE(IsDefaultReserveWord(u"select"));
    EXPECT_TRUE(IsDefaultReserveWord(u"ENCRYPTBYKEY"));
    EXPECT_TRUE(IsDefaultReserveWord(u"@@rowcount"));
    EXPECT_TRUE(IsDefaultReserveWord(u"SYS.SP_FLUSH_LOG"));
    EXPECT_FALSE(IsDefaultReserveWord(u"customers"));
    EXPECT_FALSE(IsDefaultReserveWord(u""));
}
