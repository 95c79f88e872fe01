// The pictures the programs link in: present under their names, at the sizes their windows
// lay them out for.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

namespace {

void ExpectPicture(const QString& name, QSize size) {
    QPixmap picture(name);
    EXPECT_FALSE(picture.isNull()) << name.toStdString();
    EXPECT_EQ(picture.size(), size) << name.toStdString();
}

TEST(PicturesTest, PageliftHasItsToolbarWelcomePanelAndFormatPictures) {
    for (int i = 0; i < 7; ++i)
        ExpectPicture(QString(":/pagelift/toolbar_%1.png").arg(i), {32, 32});
    ExpectPicture(":/pagelift/door.png", {466, 338});
    for (int i = 0; i < 5; ++i) ExpectPicture(QString(":/pagelift/format_%1.png").arg(i), {72, 64});
}

// The window lays the five format pictures over this band, so nothing of the panel may show
// between them.
TEST(PicturesTest, PageliftWelcomePanelIsPlainWhereTheFormatPicturesLie) {
    QImage door(":/pagelift/door.png");
    ASSERT_FALSE(door.isNull());
    QRgb plain = door.pixel(10, 250);
    for (int y = 250; y <= 330; ++y)
        for (int x = 10; x < door.width() - 10; ++x)
            ASSERT_EQ(door.pixel(x, y), plain) << x << "," << y;
}

TEST(PicturesTest, ImbinderHasItsToolbarAndWelcomePanel) {
    for (int i = 0; i < 7; ++i)
        ExpectPicture(QString(":/imbinder/toolbar_%1.png").arg(i), {32, 32});
    ExpectPicture(":/imbinder/door.png", {749, 411});
}

}  // namespace
