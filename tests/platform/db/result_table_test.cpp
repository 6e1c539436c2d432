#include "platform/db/fixture.h"
#include "platform/db/result_table.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>
#include "db_test_helper.h"

using namespace qv::db;

TEST(ResultTable, DatesRoundTripThroughTicks)
{
    for (const char* s : {"0001-01-01 00:00:00", "1753-01-01 00:00:00", "1999-12-31 23:59:59", "2000-02-29 12:00:00",
                          "2024-03-01 00:00:01", "9999-12-31 23:59:59"}) {
        qint64 t = 0;
        ASSERT_TRUE(parseDateTicks(QString::fromLatin1(s), FieldType::TimeStamp, t)) << s;
        EXPECT_EQ(formatDateTicks(t, FieldType::TimeStamp, 0), QString::fromLatin1(s));
    }
    qint64 t = 0;
    ASSERT_TRUE(parseDateTicks(u"0001-01-01", FieldType::Date, t));
    EXPECT_EQ(t, 0);
    ASSERT_TRUE(parseDateTicks(u"2024-01-02T03:04:05.1234567", FieldType::TimeStamp, t));
    EXPECT_EQ(formatDateTicks(t, FieldType::TimeStamp, 7), "2024-01-02 03:04:05.1234567");
    EXPECT_EQ(formatDateTicks(t, FieldType::TimeStamp, 3), "2024-01-02 03:04:05.123");
    ASSERT_TRUE(parseDateTicks(u"23:59:59.5", FieldType::Time, t));
    EXPECT_EQ(formatDateTicks(t, FieldType::Time, 1), "23:59:59.5");
    for (const char* bad : {"2023-02-29", "2024-13-01", "24:00:00", "abc", "2024-01-01 10:00:00x"})
        EXPECT_FALSE(parseDateTicks(QString::fromLatin1(bad), QString::fromLatin1(bad).contains('-') ? FieldType::TimeStamp : FieldType::Time, t)) << bad;
}

TEST(ResultTable, DateTextsAtTheEdgesOfTheirRanges)
{
    struct Case { qint64 ticks; FieldType type; int digits; const char* text; };
    const qint64 hour = 3600 * kTicksPerSecond;
    const Case cases[] = {
        {0, FieldType::TimeStamp, 0, "0001-01-01 00:00:00"},
        {0, FieldType::Date, 3, "0001-01-01"},
        {1, FieldType::TimeStamp, 9, "0001-01-01 00:00:00.0000001"}, // at most seven digits
        {kTicksPerDay - 1, FieldType::Time, 7, "23:59:59.9999999"},
        {99 * hour, FieldType::Time, 0, "99:00:00"},
        {100 * hour + 5 * kTicksPerSecond, FieldType::Time, 0, "100:00:05"},  // past two hour digits
        {daysFromCivil(9999, 12, 31) * kTicksPerDay, FieldType::Date, 0, "9999-12-31"},
        {daysFromCivil(10000, 1, 1) * kTicksPerDay + hour, FieldType::TimeStamp, 0, "10000-01-01 01:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatDateTicks(c.ticks, c.type, c.digits), QString::fromLatin1(c.text)) << c.ticks;
}

TEST(ResultTable, ScaledDecimals)
{
    struct Case { const char* text; int scale; bool ok; qint64 value; const char* back; };
    const Case cases[] = {
        {"12.5", 2, true, 1250, "12.5"},
        {"-0.05", 2, true, -5, "-0.05"},
        {"100", 4, true, 1000000, "100"},
        {"1.235", 2, true, 124, "1.24"},
        {"922337203685477.5807", 4, true, INT64_MAX, "922337203685477.5807"},
        {"-922337203685477.5808", 4, true, INT64_MIN, "-922337203685477.5808"},
        {"922337203685477.5808", 4, false, 0, ""},
        {"1e5", 2, false, 0, ""},
        {"", 2, false, 0, ""},
    };
    for (const auto& c : cases) {
        qint64 v = 0;
        EXPECT_EQ(parseScaled(QString::fromLatin1(c.text), c.scale, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
            EXPECT_EQ(formatScaled(v, c.scale, true), QString::fromLatin1(c.back)) << c.text;
        }
    }
    EXPECT_EQ(formatScaled(1250, 2, false), "12.50");
}

TEST(ResultTable, StoresEachKindCompactlyWithNulls)
{
    ResultTable t({column("i", "int"), column("d", "decimal(10,2)"), column("f", "float"), column("s", "nvarchar(20)"),
                   column("b", "varbinary(10)"), column("ts", "datetime"), column("w", "decimal(30,5)"), column("x", "bit")});
    EXPECT_EQ(t.kind(0), StorageKind::Int64);
    EXPECT_EQ(t.kind(1), StorageKind::Int64);
    EXPECT_EQ(t.kind(2), StorageKind::Double);
    EXPECT_EQ(t.kind(3), StorageKind::Text);
    EXPECT_EQ(t.kind(4), StorageKind::Bytes);
    EXPECT_EQ(t.kind(5), StorageKind::Int64);
    EXPECT_EQ(t.kind(6), StorageKind::Text);
    const auto& cols = t.columns();
    for (int r = 0; r < 130; ++r) { // crosses a word of the NULL bitmap
        const bool null = r % 3 == 0;
        const QVariantList values{r, "12.34", 1.5, QStringLiteral("日本%1").arg(r), QByteArray("\x01\x02\x03", 3),
                                  "2024-05-06 07:08:09.123", "12345678901234567890.12345", r % 2 == 0};
        for (int c = 0; c < t.columnCount(); ++c)
            t.appendCell(c, null && c != 0 ? QVariant() : toCell(cols[static_cast<size_t>(c)], values.at(c)));
        t.endRow();
    }
    ASSERT_EQ(t.rowCount(), 130);
    EXPECT_EQ(t.text(0, 129), "129");
    EXPECT_TRUE(t.isNull(3, 129));
    EXPECT_FALSE(t.isNull(0, 129));
    EXPECT_EQ(t.text(1, 128), "12.34");
    EXPECT_EQ(t.text(3, 128), QStringLiteral("日本128"));
    EXPECT_EQ(t.bytesAt(4, 128), QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(t.text(5, 128), "2024-05-06 07:08:09.123");
    EXPECT_EQ(t.text(6, 128), "12345678901234567890.12345");
    EXPECT_EQ(t.text(7, 128), "True");
    EXPECT_EQ(t.text(7, 127), "False");
    EXPECT_EQ(cellToValue(cols[5], t.cell(5, 128)).toDateTime(), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123)));
    EXPECT_DOUBLE_EQ(cellToValue(cols[1], t.cell(1, 128)).toDouble(), 12.34);
    // a binary value's text is its hexadecimal form, and that form reads back
    EXPECT_EQ(t.text(4, 128), "0x010203");
    EXPECT_EQ(toCell(cols[4], "0xA0ff").toByteArray(), QByteArray("\xA0\xFF", 2));
    EXPECT_EQ(toCell(cols[4], "0x").toByteArray(), QByteArray());
    for (const char* wrong : {"A0FF", "0xA0F", "0xZZ", "x"})
        EXPECT_THROW(toCell(cols[4], wrong), qv::Exception) << wrong;
    EXPECT_EQ(binaryText(QByteArray("\x01\x02\x03", 3), 2), "0x0102");
    EXPECT_THROW(toCell(cols[0], "abc"), qv::Exception);
    EXPECT_THROW(toCell(cols[5], "2024-02-30"), qv::Exception);
    EXPECT_THROW(toCell(cols[1], "12,5x"), qv::Exception);
}

TEST(ResultTable, LongResultsCrossChunkBordersAndCopyWhole)
{
    // More rows than one 2 MB chunk of integers holds, and text beyond one 2 MB pool chunk: values
    // on both sides of every border, NULLs among them, survive storing and copying.
    ResultTable t({column("i", "bigint"), column("s", "nvarchar(40)"), column("b", "varbinary(8)")});
    const qint64 rows = 600000;
    auto text = [](qint64 r) { return QStringLiteral("値%1").arg(r); };
    for (qint64 r = 0; r < rows; ++r) {
        t.appendInt(0, r * 3);
        if (r % 7 == 0) {
            t.appendNull(1);
            t.appendNull(2);
        } else {
            t.appendText(1, text(r));
            const QByteArray b = QByteArray::number(r);
            t.appendBytes(2, b.constData(), b.size());
        }
        t.endRow();
    }
    const ResultTable copy(t);
    for (const ResultTable* table : {static_cast<const ResultTable*>(&t), &copy}) {
        ASSERT_EQ(table->rowCount(), rows);
        for (qint64 r : {qint64(0), qint64(1), qint64(262143), qint64(262144), qint64(262145), qint64(524287), qint64(524288),
                         rows - 2, rows - 1}) {
            EXPECT_EQ(table->intAt(0, r), r * 3) << r;
            EXPECT_EQ(table->isNull(1, r), r % 7 == 0) << r;
            EXPECT_EQ(table->text(1, r), r % 7 == 0 ? QString() : text(r)) << r;
            EXPECT_EQ(table->bytesAt(2, r), r % 7 == 0 ? QByteArray() : QByteArray::number(r)) << r;
        }
        qint64 wrong = 0;
        for (qint64 r = 0; r < rows; ++r)
            wrong += table->intAt(0, r) != r * 3 || (r % 7 != 0 && table->textAt(1, r) != text(r));
        EXPECT_EQ(wrong, 0);
    }
}

TEST(ResultTable, TextsBelowU0100TakeOneByteEachAndReadBackWhole)
{
    ResultTable narrow({column("s", "nvarchar(40)")});
    ResultTable wide({column("s", "nvarchar(40)")});
    const QStringList mixed{QString(), QStringLiteral("abc"), QStringLiteral("café ÿ"), QStringLiteral("日本語"),
                            QStringLiteral("aĀ"), QStringLiteral("")};
    for (int r = 0; r < 3000; ++r) {
        const QString& s = mixed.at(r % mixed.size());
        if (s.isNull())
            narrow.appendNull(0);
        else
            narrow.appendText(0, s);
        narrow.endRow();
        wide.appendText(0, QStringLiteral("日本語日本語日本語日本語"));
        wide.endRow();
    }
    for (int r = 0; r < 3000; ++r) {
        const QString& s = mixed.at(r % mixed.size());
        EXPECT_EQ(narrow.isNull(0, r), s.isNull()) << r;
        if (!s.isNull())
            EXPECT_EQ(narrow.text(0, r), s) << r;
    }
    EXPECT_EQ(wide.text(0, 2999), QStringLiteral("日本語日本語日本語日本語"));
}
