// The picture preview control: the fit-and-centre rule, when it redraws, its mouse events and
// its saved properties.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "ShowImage.h"
#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

namespace {

using imbinder::DrawnRect;
using imbinder::FitAndCentre;
using imbinder::PropertyBag;
using imbinder::ShowImage;

TEST(FitAndCentre, LandscapeFitsTheWidthPortraitTheHeightSquareFillsSquare) {
    EXPECT_EQ(FitAndCentre(200, 100, 400, 400), (DrawnRect{0, 100, 400, 200}));
    EXPECT_EQ(FitAndCentre(100, 200, 400, 400), (DrawnRect{100, 0, 200, 400}));
    EXPECT_EQ(FitAndCentre(300, 300, 4800, 4800), (DrawnRect{0, 0, 4800, 4800}));
    // A wide surface takes a landscape picture by its height, a tall one a portrait by its width.
    EXPECT_EQ(FitAndCentre(200, 100, 900, 300), (DrawnRect{150, 0, 600, 300}));
    EXPECT_EQ(FitAndCentre(100, 200, 300, 900), (DrawnRect{0, 150, 300, 600}));
}

TEST(FitAndCentre, SizesRoundHalfToEvenAndOffsetsFollowTheRoundedSize) {
    // 1000 / 3 = 333.3 -> 333; (1000 - 333) / 2 = 333.5 -> 334.
    EXPECT_EQ(FitAndCentre(3, 1, 1000, 1000), (DrawnRect{0, 334, 1000, 333}));
    // Halves go to the even neighbour: a width of 2.5 -> 2, a top of 2.5 -> 2.
    EXPECT_EQ(FitAndCentre(5, 20, 10, 10), (DrawnRect{4, 0, 2, 10}));
    EXPECT_EQ(FitAndCentre(2, 1, 10, 10), (DrawnRect{0, 2, 10, 5}));
    // Sizes beyond 16 bits stop at its largest value instead of wrapping.
    EXPECT_EQ(FitAndCentre(1, 1, 40000, 40000).height, INT16_MAX);
}

QImage Filled(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QColor At(const ShowImage& control, int x, int y) {
    return control.immagine->Drawing().pixelColor(x, y);
}

TEST(ShowImageControl, DrawsFittedAndRedrawsOnResizeButNotOnBorderStyle) {
    ShowImage control;
    control.resize(40, 40);
    control.show();
    control.setBackColor(0x000000FF);  // red, as 0x00BBGGRR
    control.setPicture(Filled(20, 10, Qt::blue));
    EXPECT_EQ(At(control, 20, 5), QColor(Qt::red));  // band above the 40 x 20 picture
    EXPECT_EQ(At(control, 20, 20), QColor(Qt::blue));

    control.Cls();
    control.setBorderStyle(imbinder::kBorderNone);
    EXPECT_EQ(At(control, 20, 20), QColor(Qt::red));

    control.resize(80, 40);  // now 80 x 40 and 2:1 fills it
    EXPECT_EQ(control.immagine->geometry(), QRect(0, 0, 80, 40));
    EXPECT_EQ(At(control, 2, 2), QColor(Qt::blue));
    EXPECT_EQ(At(control, 77, 37), QColor(Qt::blue));
}

TEST(ShowImageControl, EmptyControlLeavesTheSurfaceAsItIs) {
    ShowImage control;
    control.resize(30, 30);
    control.show();
    control.setPicture(Filled(10, 10, Qt::green));
    control.setPicture(QImage());  // back to empty: nothing is drawn, the last drawing stays
    control.showImageInfo();
    EXPECT_EQ(At(control, 15, 15), QColor(Qt::green));
}

TEST(ShowImageControl, LoadimgReadsAFileAndKeepsThePictureWhenAFileFails) {
    testing_support::TempFolder folder;
    const std::string png = folder.host() + "/a.png";
    ASSERT_TRUE(Filled(6, 3, Qt::yellow).save(QString::fromStdString(png)));
    const std::string text = folder.WriteFile("b.png", "not a picture");
    ShowImage control;
    EXPECT_EQ(control.loadimg(platform::ToWindowsPath(png)).error, "");
    EXPECT_EQ(control.Picture().size(), QSize(6, 3));
    EXPECT_NE(control.loadimg(platform::ToWindowsPath(text)).error, "");
    EXPECT_NE(control.loadimg(folder.windows() + "\\missing.png").error, "");
    EXPECT_EQ(control.Picture().size(), QSize(6, 3));
}

TEST(ShowImageControl, MouseEventsOfTheSurfaceReachTheHostInTwips) {
    ShowImage control;
    control.resize(100, 100);
    std::vector<std::string> heard;
    float downX = 0, downY = 0;
    short downButton = 0, downShift = 0;
    QObject::connect(&control, &ShowImage::MouseDown, [&](short b, short s, float x, float y) {
        heard.push_back("MouseDown");
        downButton = b, downShift = s, downX = x, downY = y;
    });
    QObject::connect(&control, &ShowImage::Click, [&] { heard.push_back("Click"); });
    QObject::connect(&control, &ShowImage::DblClick, [&] { heard.push_back("DblClick"); });
    QObject::connect(&control, &ShowImage::MouseMove,
                     [&](short, short, float, float) { heard.push_back("MouseMove"); });

    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(10, 20), QPointF(10, 20), button, held, Qt::ShiftModifier);
        QApplication::sendEvent(control.immagine, &event);
    };
    send(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseMove, Qt::NoButton, Qt::RightButton);
    send(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton);
    send(QEvent::MouseButtonDblClick, Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton);

    EXPECT_EQ(heard, (std::vector<std::string>{"MouseDown", "MouseMove", "Click", "DblClick"}));
    EXPECT_EQ(downButton, 2);
    EXPECT_EQ(downShift, 1);
    EXPECT_FLOAT_EQ(downX, 150);
    EXPECT_FLOAT_EQ(downY, 300);
}

TEST(ShowImageProperties, RoundTripAndDefaultsAreNotStored) {
    ShowImage saved;
    PropertyBag defaults;
    saved.WriteProperties(defaults);
    for (const char* name : {"Picture", "BorderStyle", "BackColor"})
        EXPECT_FALSE(defaults.Contains(name)) << name;

    saved.setBorderStyle(imbinder::kBorderNone);
    saved.setBackColor(0x00336699);
    saved.setPicture(Filled(4, 2, Qt::cyan));
    PropertyBag bag;
    saved.WriteProperties(bag);
    const PropertyBag reread = PropertyBag::FromContents(bag.Contents());

    ShowImage loaded;
    loaded.ReadProperties(reread);
    EXPECT_EQ(loaded.BorderStyle(), imbinder::kBorderNone);
    EXPECT_EQ(loaded.BackColor(), 0x00336699u);
    EXPECT_EQ(loaded.Picture(), saved.Picture());

    // Names the bag lacks, or bytes that are no bag, give the defaults back.
    loaded.ReadProperties(PropertyBag::FromContents("damaged"));
    EXPECT_EQ(loaded.BorderStyle(), imbinder::kBorderSingle);
    EXPECT_EQ(loaded.BackColor(), imbinder::kButtonFace);
    EXPECT_TRUE(loaded.Picture().isNull());
}

}  // namespace
