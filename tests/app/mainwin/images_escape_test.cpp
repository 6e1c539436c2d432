#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>

#include "app/escape_watch.h"
#include "app/images.h"

using namespace qv;

TEST(Images, EveryIndexHasAPictureAndNamedIconsExistInTheTheme)
{
    clearImageCache();
    for (int i = 0; i < kMainImageCount; ++i) {
        EXPECT_FALSE(imgMain(i).pixmap(24, 24).isNull()) << i;
        EXPECT_EQ(imgButton(i).size(), QSize(20, 20)) << i;
    }
    EXPECT_TRUE(imgMain(-1).isNull());
    EXPECT_TRUE(imgMain(kMainImageCount).isNull());
    // With the theme installed, every icon named in the table is found.
    if (QIcon::hasThemeIcon("table")) {
        for (int i = 0; i < kMainImageCount; ++i) {
            if (const MainImageEntry* e = mainImageEntry(i)) {
                EXPECT_TRUE(QIcon::hasThemeIcon(QString::fromLatin1(e->iconName))) << i << " " << e->iconName;
            }
        }
    }
}

TEST(Images, DrawnPicturesWhenTheThemeIsMissing)
{
    const QString theme = QIcon::themeName();
    QIcon::setThemeName("no-such-theme");
    clearImageCache();
    for (int i : {0, 45, 166, 77}) {
        const QImage img = imgMain(i).pixmap(24, 24).toImage();
        ASSERT_FALSE(img.isNull()) << i;
        EXPECT_NE(img.pixelColor(12, 12).alpha(), 0) << i; // not blank
    }
    QIcon::setThemeName(theme);
    clearImageCache();
}

TEST(EscapeWatch, RecordsEscOfTheActiveWindowAndSwallowsOtherInput)
{
    QLineEdit w;
    w.show();
    QApplication::setActiveWindow(&w);
    w.setFocus();
    ASSERT_EQ(QApplication::activeWindow(), &w);
    EscapeWatch::begin();
    QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
    EXPECT_FALSE(EscapePressed());
    EXPECT_EQ(w.text(), ""); // other keys do not reach the window during the loop
    QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_TRUE(EscapePressed());
    EXPECT_TRUE(EscapePressed()); // the same press is seen until the loop ends
    EscapeWatch::end();
    EXPECT_FALSE(EscapeWatch::active());
    QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b"));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.text(), "b");
    EXPECT_FALSE(EscapePressed());
}

TEST(EscapeWatch, HandlesEventsAtMostOncePerPollInterval)
{
    QLineEdit w;
    w.show();
    QApplication::setActiveWindow(&w);
    w.setFocus();
    ASSERT_EQ(QApplication::activeWindow(), &w);
    const int interval = EscapeWatch::pollInterval();
    EscapeWatch::setPollInterval(3600 * 1000);
    EscapeWatch::begin();
    EXPECT_FALSE(EscapePressed()); // the first poll of a loop handles the events
    QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_FALSE(EscapePressed()); // within the interval: not handled yet
    EscapeWatch::end();
    EscapeWatch::setPollInterval(interval);
    EscapeWatch::begin();
    EXPECT_TRUE(EscapePressed()); // a new loop polls at once
    EscapeWatch::end();
}
