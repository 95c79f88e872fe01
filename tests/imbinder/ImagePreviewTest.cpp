// The preview window: a picture the platform loader reads, one only the guarded decoder reads,
// and files that cannot be shown.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <QLabel>

#include "HostileImages.h"
#include "ImagePreview.h"
#include "ShowImage.h"
#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

namespace {

using imbinder::frmPreview;
using imbinder::ShowImagePreview;

class ImagePreview : public ::testing::Test {
  protected:
    QColor CentreOf(const frmPreview& window) {
        const QImage& drawing = window.ShowImage1->immagine->Drawing();
        return drawing.pixelColor(drawing.width() / 2, drawing.height() / 2);
    }
    std::string Windows(const std::string& host) { return platform::ToWindowsPath(host); }

    testing_support::TempCDrive drive;  // and the program folder with the decoder helper
    testing_support::TempFolder folder;
    QWidget owner;
};

TEST_F(ImagePreview, PngIsFittedWithNameAndSizeInTheTitleAndTheWindowIsReused) {
    QImage picture(300, 150, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const std::string png = folder.host() + "/a.png";
    ASSERT_TRUE(picture.save(QString::fromStdString(png)));

    frmPreview* window = ShowImagePreview(&owner, Windows(png));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("a.png (300 × 150)"));
    EXPECT_EQ(CentreOf(*window), QColor(Qt::red));
    EXPECT_FALSE(window->lblReason->isVisible());

    EXPECT_EQ(ShowImagePreview(&owner, Windows(png)), window);
}

TEST_F(ImagePreview, TargaIsShownThroughTheGuardedDecoder) {
    // Green over blue; FreeImage keeps its rows bottom up, so an upside-down copy would show.
    FIBITMAP* bitmap = FreeImage_Allocate(8, 4, 24);
    for (unsigned row = 0; row < 4; ++row) {
        BYTE* pixel = FreeImage_GetScanLine(bitmap, row);
        for (unsigned x = 0; x < 8; ++x, pixel += 3) {
            pixel[FI_RGBA_BLUE] = row < 2 ? 200 : 0;
            pixel[FI_RGBA_GREEN] = row < 2 ? 0 : 200;
            pixel[FI_RGBA_RED] = 0;
        }
    }
    const std::string tga = folder.host() + "/b.tga";
    ASSERT_TRUE(FreeImage_Save(FIF_TARGA, bitmap, tga.c_str(), 0));
    FreeImage_Unload(bitmap);

    frmPreview* window = ShowImagePreview(&owner, Windows(tga));
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("b.tga (8 × 4)"));
    const QImage& drawing = window->ShowImage1->immagine->Drawing();
    const int x = drawing.width() / 2, y = drawing.height() / 2;
    EXPECT_EQ(drawing.pixelColor(x, y - drawing.width() / 8), QColor(0, 200, 0));
    EXPECT_EQ(drawing.pixelColor(x, y + drawing.width() / 8), QColor(0, 0, 200));
    EXPECT_TRUE(window->ShowImage1->isVisible());
}

TEST_F(ImagePreview, FileThatCannotBeShownSaysWhyInTheWindow) {
    const std::string psd = folder.WriteFile("c.psd", hostile::TruncatedPsd());
    frmPreview* window = ShowImagePreview(&owner, Windows(psd));
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("c.psd (无法预览)"));
    EXPECT_TRUE(window->lblReason->isVisible());
    EXPECT_FALSE(window->ShowImage1->isVisible());
    EXPECT_TRUE(window->lblReason->text().contains(QString::fromUtf8("文件已损坏")))
        << window->lblReason->text().toStdString();

    ShowImagePreview(&owner, folder.windows() + "\\gone.png");
    EXPECT_TRUE(window->lblReason->text().contains(QString::fromUtf8("文件不存在")));
}

}  // namespace
