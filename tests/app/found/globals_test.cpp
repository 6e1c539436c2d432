#include "app/globals.h"
#include "app/options.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qv;

TEST(Globals, DataFolderFollowsXdgAndHoldsItsSubfolders)
{
    const QString data = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Velmora/QVS22/");
    EXPECT_EQ(DataDir(), data);
    for (const char* sub : {"USERCMD", "xlsdef", "DATAGEN", "temp"})
        EXPECT_TRUE(QDir(data + QLatin1String(sub)).exists()) << sub;
    EXPECT_TRUE(ProgramDir().endsWith(u'/'));
    EXPECT_TRUE(DocumentsDir().endsWith(u'/'));
    EXPECT_TRUE(QDir(DocumentsDir()).exists());
}

// The data folder holds the work folder with the SQL history (statements as typed, passwords
// included): only the user may enter it.
TEST(Globals, DataFolderAndWorkFolderAreOpenToTheUserOnly)
{
    for (const QString& dir : {DataDir(), DataDir() + QStringLiteral("temp/")}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(dir).constData(), &st), 0) << dir.toStdString();
        EXPECT_EQ(st.st_mode & 0777, 0700u) << dir.toStdString();
    }
}

TEST(Globals, UserDateTimeFormatsConvertToQtFormats)
{
    DateTimeFormats s;
    s.ShortDateFormat = QStringLiteral("yyyy/mm/dd");
    s.LongDateFormat = QStringLiteral("yyyy'年'm'月'd'日'");
    s.ShortTimeFormat = QStringLiteral("hh:nn");
    s.LongTimeFormat = QStringLiteral("hh:nn:ss");
    const struct {
        const char* user;
        const char* qt;
    } cases[] = {
        {"yyyy/MM/dd", "yyyy/MM/dd"},
        {"HH:mm:ss", "HH:mm:ss"},          // mm right after an hour is minutes
        {"yy/m/d h:m", "yy/M/d H:m"},
        {"hh:nn:ss.zzz", "HH:mm:ss.zzz"},
        {"YYYY-MM-DD", "yyyy-MM-dd"},
        {"mmm mmmm ddd dddd", "MMM MMMM ddd dddd"},
        {"h:mm am/pm", "h:mm ap"},
        {"hh:mm AM/PM", "hh:mm AP"},
        {"ddddd", "yyyy/MM/dd"},
        {"dddddd", "yyyy'年'M'月'd'日'"},
        {"t", "HH:mm"},
        {"c", "yyyy/MM/dd HH:mm:ss"},
        {"yyyy\"年\"mm'x'", "yyyy'年'MM'x'"},
        {"yyyy年mm月", "yyyy'年'MM'月'"},
        {"'it''s' yyyy", "'its 'yyyy"},      // two quoted parts, no escape
        {"\"it's\" yyyy", "'it''s 'yyyy"},
        {"dd-mm-yyyy q", "dd-MM-yyyy' q'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToQtDateTimeFormat(QString::fromUtf8(c.user), s), QString::fromUtf8(c.qt)) << c.user;
}

TEST(Globals, ProcessFormatsComeFromTheOptions)
{
    const DateTimeFormats saved = FormatSettings;
    ApplyDateTimeFormats(QStringLiteral("dd.mm.yyyy"), QStringLiteral("hh:nn"));
    const QDateTime dt(QDate(2024, 3, 5), QTime(7, 8, 9));
    EXPECT_EQ(DateToStr(dt.date()), QStringLiteral("05.03.2024"));
    EXPECT_EQ(TimeToStr(dt.time()), QStringLiteral("07:08"));
    EXPECT_EQ(DateTimeToStr(dt), QStringLiteral("05.03.2024 07:08"));
    EXPECT_EQ(DateTimeToStr(QDateTime(dt.date(), QTime(0, 0))), QStringLiteral("05.03.2024"));
    ApplyDateTimeFormats(qvOption.DateFormat, qvOption.TimeFormat);
    EXPECT_EQ(DateTimeToStr(dt), QStringLiteral("2024/03/05 07:08:09"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h:nn am/pm"), QDateTime(dt.date(), QTime(15, 4))), QStringLiteral("3:04 午後"));
    FormatSettings = saved;
}

TEST(Globals, NameValueLists)
{
    QStringList list{"SRV1=db.dbo.names", "other=x"};
    EXPECT_EQ(ListValue(list, "srv1"), QStringLiteral("db.dbo.names"));
    EXPECT_EQ(ListValue(list, "none"), QString());
    SetListValue(list, "SRV2", "a.b.c");
    SetListValue(list, "Other", "");
    EXPECT_EQ(list, (QStringList{"SRV1=db.dbo.names", "SRV2=a.b.c"}));
}
