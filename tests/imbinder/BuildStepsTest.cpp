// The plain steps of a build: the decodes ahead of the page being written, and the delivery of
// the merged document.
#include <gtest/gtest.h>

#include <QImage>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "DecodeAhead.h"
#include "Delivery.h"
#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

namespace imbinder {
namespace {

std::string Picture(const testing_support::TempCDrive& drive, const std::string& name, int width,
                    int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const std::string path = drive.root().WriteFile("in/" + name, "");
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    return platform::ToWindowsPath(path);
}

// A document of pages empty pages at hostPath; gives its bytes.
std::string WritePages(const std::string& hostPath, int pages) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper document(pdf);
    for (int i = 0; i < pages; ++i) {
        document.addPage(pdf.makeIndirectObject(
                             QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 100] >>")),
                         false);
    }
    QPDFWriter writer(pdf, hostPath.c_str());
    writer.setStaticID(true);
    writer.write();
    return platform::ReadWholeFile(platform::ToWindowsPath(hostPath)).bytes;
}

QSize PlacedBitmapSize() {
    return QImage(QString::fromStdString(platform::ToHostPath(kBitmapPath))).size();
}

TEST(DecodeAhead, HandsOverEveryImageInOrderWithOnlyItsOwnBitmapInPlace) {
    testing_support::TempCDrive drive;
    platform::CreateFolder("c:\\tmp");
    const std::string broken = platform::ToWindowsPath(drive.root().WriteFile("in/b.png", "no"));
    const decoding::GuardedDecoder decoder(platform::ToHostPath(platform::ProgramFolder()) +
                                           "/imdecode");
    DecodeAhead decodes(decoder, {Picture(drive, "a.png", 30, 20), broken,
                                  Picture(drive, "c.bmp", 10, 40), "C:\\in\\missing.jpg"});
    decoding::DecodeResult first = decodes.Next({}).decoded;
    EXPECT_EQ(first.error, "");
    EXPECT_EQ(QSize(first.width, first.height), QSize(30, 20));
    EXPECT_EQ(PlacedBitmapSize(), QSize(30, 20));
    EXPECT_NE(decodes.Next({}).decoded.error, "");
    EXPECT_FALSE(platform::PathExists(kBitmapPath)) << "the bitmap before is never drawn again";
    EXPECT_EQ(decodes.Next({}).decoded.error, "");
    EXPECT_EQ(PlacedBitmapSize(), QSize(10, 40));
    EXPECT_NE(decodes.Next({}).decoded.error, "");
    EXPECT_FALSE(platform::PathExists(kBitmapPath));
    for (int slot = 0; slot < kDecodesAhead; ++slot)
        EXPECT_FALSE(platform::PathExists(DecodedBitmapPath(slot)));
}

TEST(Delivery, CopiesTheMergedFileOrSaysWhyThereIsNone) {
    testing_support::TempCDrive drive;
    platform::CreateFolder("c:\\out");
    BuildEnd end{"C:\\out", "第1章/上", 0, {}, 0};
    EXPECT_EQ(DeliverResult(end).error, "没有一张图片可以转换");
    end.pages = 3;
    EXPECT_EQ(DeliverResult(end).error, "pdftk 没有生成文档");
    end.failedStarts = 1;
    EXPECT_EQ(DeliverResult(end).error, "pdftk 无法启动");
    end.merge = {true, std::chrono::milliseconds(2500)};
    EXPECT_EQ(DeliverResult(end).error, "pdftk 没有在 3 秒内完成");

    const std::string merged = drive.root().MakeFolder("tmp") + "/tmpx.pdf";
    end = {"C:\\out", "第1章/上", 3, {}, 0};
    drive.root().WriteFile("out/第1章_上.pdf", "an older result");
    // A cut-off document, or one a repair left short of pages, never takes the name.
    const std::string whole = WritePages(merged, 3);
    drive.root().WriteFile("tmp/tmpx.pdf", whole.substr(0, whole.size() / 2));
    EXPECT_EQ(DeliverResult(end).error, "pdftk 生成的文档不完整 (文件已损坏)");
    WritePages(merged, 2);
    EXPECT_EQ(DeliverResult(end).error, "pdftk 生成的文档不完整 (只有 2 页, 应有 3 页)");
    EXPECT_EQ(platform::ReadWholeFile("C:\\out\\第1章_上.pdf").bytes, "an older result");
    WritePages(merged, 3);
    EXPECT_EQ(DeliverResult(end).error, "");
    EXPECT_EQ(platform::ReadWholeFile("C:\\out\\第1章_上.pdf").bytes, whole);
    end.outputFolder = "C:\\missing";
    EXPECT_EQ(DeliverResult(end).error, "无法写入 C:\\missing\\第1章_上.pdf: 文件夹不存在");
}

}  // namespace
}  // namespace imbinder
