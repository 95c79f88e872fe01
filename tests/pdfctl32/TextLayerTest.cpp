// The invisible text layer through the writer's C interface: pages read back by the readers
// users have (poppler's pdftotext, MuPDF's mutool), rendered, merged with pdftk and checked
// with qpdf.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QTemporaryDir>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "PdfReadBack.h"
#include "RecognizedPage.h"
#include "pdfctl32.h"

namespace {

using readback::RunReader;
using recognition::RecognizedPage;

// An A4 page of 2100 x 2970 tenths of a millimetre holding a picture of 1000 x 1400 pixels.
constexpr int32_t kPageWidth = 2100;
constexpr int32_t kPageHeight = 2970;

// Lines in four directions, far enough apart that no reader joins two of them.
const RecognizedPage kPage{1000,
                           1400,
                           {
                               {100, 150, 460, 150, 60, "提交采购申请"},
                               {100, 300, 660, 300, 40, "Purchase request 2024 采购 𠀀"},
                               {900, 500, 900, 925, 50, "竖排文字 vertical"},   // reads downwards
                               {600, 1300, 280, 1300, 40, "upside down 倒置"},  // turned over
                           }};

// mutool's Debian build says this on every run, whatever the file.
constexpr char kMutoolBuildNote[] = "warning: ICC support is not available\n";

std::string Warnings(std::string errors) {
    const size_t note = errors.find(kMutoolBuildNote);
    if (note != std::string::npos) errors.erase(note, sizeof kMutoolBuildNote - 1);
    return errors;
}

class TextLayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QImage picture(1000, 1400, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        painter.fillRect(100, 100, 360, 50, Qt::black);
        painter.fillRect(880, 500, 40, 425, Qt::darkBlue);
        painter.end();
        picture_ = PathOf("picture.bmp");
        ASSERT_TRUE(picture.save(QString::fromStdString(picture_)));
    }

    std::string PathOf(const std::string& name) const {
        return folder_.filePath(QString::fromStdString(name)).toStdString();
    }

    std::string SaveText(const std::string& name, const std::string& text) const {
        QFile file(QString::fromStdString(PathOf(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
        return PathOf(name);
    }

    std::string SaveRecognition(const std::string& name, const RecognizedPage& page) const {
        return SaveText(name, recognition::FormatRecognizedPage(page));
    }

    // The build's calls for one page, the text layer after the picture when a recognition is
    // given; -1 on the first failure, else 0. The failure's text is in layerError_ when the
    // layer's call failed, and the page is still ended.
    int32_t WritePage(const std::string& pdf, const char* recognition = nullptr) {
        const int32_t box = CreateBox(0, 0);
        bool written =
            SetStrProp(box, 10, pdf.c_str()) != -1 && SetStrProp(box, 14, "Imbinder") != -1 &&
            SetNumProp(box, 36, kPageWidth) != -1 && SetNumProp(box, 34, kPageHeight) != -1 &&
            BeginDoc(box) != -1 &&
            StretchDrawFromFile(box, 0, 0, kPageWidth, kPageHeight, picture_.c_str()) != -1;
        layerError_.clear();
        if (written && recognition &&
            DrawTextLayerFromFile(box, 0, 0, kPageWidth, kPageHeight, recognition) == -1) {
            layerError_ = LastError();
            written = false;
        }
        const bool ended = EndDoc(box) != -1;
        FreeBox(box);
        return written && ended ? 0 : -1;
    }

    static std::string LastError() {
        char buffer[256];
        GetErrorMsg(buffer);
        return buffer;
    }

    static std::string Bytes(const std::string& path) {
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
        return file.readAll().toStdString();
    }

    // The texts of the document as pdftotext (plain and -layout) and mutool give them, each
    // checked to come without a word on standard error.
    static std::vector<std::string> Extracted(const std::string& pdf) {
        std::vector<std::string> texts;
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"pdftotext", pdf, "-"},
              std::vector<std::string>{"pdftotext", "-layout", pdf, "-"},
              std::vector<std::string>{"mutool", "draw", "-F", "txt", pdf}}) {
            const readback::ToolRun run =
                RunReader(command[0], {command.begin() + 1, command.end()});
            EXPECT_EQ(run.exitCode, 0) << command[0];
            EXPECT_EQ(Warnings(run.errors), "") << command[0] << " " << command[1];
            texts.push_back(run.output);
        }
        return texts;
    }

    QTemporaryDir folder_;
    std::string picture_;
    std::string layerError_;
};

TEST_F(TextLayerTest, ReadersFindEveryLineAsTypedInEveryDirection) {
    // Also a page whose one line lies low: a reader that bounds text by its glyphs keeps it.
    const RecognizedPage low{1000, 1400, {{100, 1000, 700, 1000, 50, "低处的一行 low line"}}};
    for (const RecognizedPage& page : {kPage, low}) {
        const std::string pdf = PathOf("layer.pdf");
        ASSERT_EQ(WritePage(pdf, SaveRecognition("page.txt", page).c_str()), 0) << layerError_;
        for (const std::string& text : Extracted(pdf)) {
            for (const auto& line : page.lines) {
                EXPECT_NE(text.find(line.text), std::string::npos) << line.text << " in\n" << text;
            }
        }
    }
}

// One embedded font with its Unicode map, a few kilobytes, and not one pixel changed.
TEST_F(TextLayerTest, CostsAFontOfAFewKilobytesAndNoPixel) {
    const std::string plain = PathOf("plain.pdf");
    const std::string layered = PathOf("layered.pdf");
    ASSERT_EQ(WritePage(plain), 0) << LastError();
    ASSERT_EQ(WritePage(layered, SaveRecognition("page.txt", kPage).c_str()), 0) << layerError_;

    const QImage without = readback::RenderFirstPage(plain, 50);
    ASSERT_FALSE(without.isNull());
    EXPECT_TRUE(without == readback::RenderFirstPage(layered, 50));
    const auto check = RunReader("qpdf", {"--check", layered});
    EXPECT_EQ(check.exitCode, 0) << check.output << check.errors;
    EXPECT_EQ(check.errors, "");
    // pdffonts' row: name, type, encoding, embedded, subset, Unicode map, object.
    const auto fonts = RunReader("pdffonts", {layered});
    EXPECT_EQ(fonts.errors, "");
    const std::string row = fonts.output.substr(fonts.output.rfind("ImbinderTextLayer"));
    std::istringstream fields(row);
    std::vector<std::string> words{std::istream_iterator<std::string>(fields), {}};
    words.resize(7);
    EXPECT_EQ(words, (std::vector<std::string>{"ImbinderTextLayer", "CID", "TrueType", "Identity-H",
                                               "yes", "no", "yes"}));
    EXPECT_EQ(fonts.output.find("ImbinderTextLayer"), fonts.output.rfind("ImbinderTextLayer"));
    const qint64 extra = static_cast<qint64>(Bytes(layered).size() - Bytes(plain).size());
    EXPECT_GT(extra, 0);
    EXPECT_LT(extra, 10 * 1024) << "bytes the layer costs";
}

// A caller that never asks for a layer, or gives one without text, gets the page libharu writes.
TEST_F(TextLayerTest, APageWithoutTextIsWrittenAsBefore) {
    const std::string plain = PathOf("plain.pdf");
    ASSERT_EQ(WritePage(plain), 0) << LastError();
    const std::string bytes = Bytes(plain);
    EXPECT_EQ(bytes.find("/Font"), std::string::npos);
    EXPECT_EQ(bytes.find("/TextLayer"), std::string::npos);

    const RecognizedPage empty{1000, 1400, {}};
    const RecognizedPage blank{1000, 1400, {{0, 10, 500, 10, 20, "  "}, {5, 5, 5, 5, 20, "点"}}};
    for (const auto& [name, page] : {std::pair{"empty", empty}, std::pair{"blank", blank}}) {
        const std::string pdf = PathOf(std::string(name) + ".pdf");
        ASSERT_EQ(WritePage(pdf, SaveRecognition(std::string(name) + ".txt", page).c_str()), 0)
            << layerError_;
        EXPECT_EQ(Bytes(pdf), bytes) << name;
    }

    // A refused recognition leaves the page as it was.
    const std::string refusedPdf = PathOf("refused.pdf");
    const std::string damaged = SaveText("damaged.txt", "recognized 1 10 10\n1 2 3 4 nan\tx\n");
    EXPECT_EQ(WritePage(refusedPdf, damaged.c_str()), -1);
    EXPECT_EQ(layerError_, "识别文件 " + damaged + " 无法使用：第 2 行：数字超出范围。");
    EXPECT_EQ(Bytes(refusedPdf), bytes);
}

TEST_F(TextLayerTest, TextSurvivesTheMergeAndTheDocumentInformation) {
    const std::string first = PathOf("1.pdf");
    const std::string second = PathOf("2.pdf");
    const RecognizedPage other{1000, 1400, {{100, 700, 700, 700, 60, "第二页 second page"}}};
    ASSERT_EQ(WritePage(first, SaveRecognition("1.txt", kPage).c_str()), 0) << layerError_;
    ASSERT_EQ(WritePage(second, SaveRecognition("2.txt", other).c_str()), 0) << layerError_;

    const std::string chained = PathOf("chained.pdf");
    const std::string merged = PathOf("merged.pdf");
    const std::string info = SaveText("info.txt", "InfoBegin\nInfoKey: Title\nInfoValue: 采购\n");
    EXPECT_EQ(RunReader("pdftk", {first, second, "cat", "output", chained}).exitCode, 0);
    EXPECT_EQ(RunReader("pdftk", {chained, "update_info", info, "output", merged}).exitCode, 0);

    const auto check = RunReader("qpdf", {"--check", merged});
    EXPECT_EQ(check.exitCode, 0) << check.output << check.errors;
    for (const std::string& text : Extracted(merged)) {
        EXPECT_NE(text.find("提交采购申请"), std::string::npos) << text;
        EXPECT_NE(text.find("upside down 倒置"), std::string::npos) << text;
        EXPECT_NE(text.find("第二页 second page"), std::string::npos) << text;
    }
}

TEST_F(TextLayerTest, OddLinesAreLaidWithoutFailing) {
    const RecognizedPage odd{1000,
                             1400,
                             {
                                 {50, 1350, 950, 1350, 30, "W"},       // one character, wide apart
                                 {300, 900, 330, 900, 1400, "ab"},     // taller than long
                                 {40, 40, 40, 40, 30, "nowhere"},      // no length: left out
                                 {100, 500, 800, 500, 0, "flat"},      // no height: left out
                                 {100, 400, 300, 200, 30, "斜线 45"},  // along a diagonal
                             }};
    const std::string pdf = PathOf("odd.pdf");
    ASSERT_EQ(WritePage(pdf, SaveRecognition("odd.txt", odd).c_str()), 0) << layerError_;
    const auto text = RunReader("pdftotext", {pdf, "-"});
    EXPECT_EQ(text.errors, "");
    EXPECT_NE(text.output.find('W'), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("ab"), std::string::npos) << text.output;
    EXPECT_EQ(text.output.find("nowhere"), std::string::npos) << text.output;
    EXPECT_EQ(text.output.find("flat"), std::string::npos) << text.output;
    EXPECT_EQ(RunReader("qpdf", {"--check", pdf}).exitCode, 0);
}

TEST_F(TextLayerTest, RefusesWhatItCannotLayWithAReason) {
    const std::string recognition = SaveRecognition("page.txt", kPage);
    const int32_t box = CreateBox(0, 0);
    EXPECT_EQ(DrawTextLayerFromFile(box, 0, 0, 100, 100, recognition.c_str()), -1);
    EXPECT_EQ(LastError(), "文档尚未开始。");
    ASSERT_NE(SetStrProp(box, 10, PathOf("unnamed.pdf").c_str()), -1);
    ASSERT_NE(SetNumProp(box, 36, 100), -1);
    ASSERT_NE(SetNumProp(box, 34, 100), -1);
    ASSERT_NE(BeginDoc(box), -1);
    EXPECT_EQ(DrawTextLayerFromFile(box, 0, 0, 100, 100, nullptr), -1);
    EXPECT_EQ(LastError(), "缺少识别文件名。");
    FreeBox(box);
    EXPECT_EQ(DrawTextLayerFromFile(box, 0, 0, 100, 100, recognition.c_str()), -1);
    EXPECT_EQ(LastError(), "没有编号为 " + std::to_string(box) + " 的实例。");

    const std::string pdf = PathOf("out.pdf");
    EXPECT_EQ(WritePage(pdf, PathOf("missing.txt").c_str()), -1);
    EXPECT_EQ(layerError_, "识别文件 " + PathOf("missing.txt") + " 不存在。");
    const std::string version = SaveText("v2.txt", "recognized 2 10 10\n");
    EXPECT_EQ(WritePage(pdf, version.c_str()), -1);
    EXPECT_EQ(layerError_, "识别文件 " + version + " 无法使用：不支持版本 2 的识别文件。");

    // 65536 different characters are one more than a page's two-byte codes hold.
    RecognizedPage crowded{1000, 1400, {}};
    std::string text;
    char32_t c = 0x4E00;
    for (int i = 0; i < 65536; ++i, ++c) {
        if (c == 0xA000) c = 0x20000;  // on past the CJK block into the ideographs beyond it
        text += QString::fromUcs4(&c, 1).toStdString();
        if (text.size() > 4000) {
            crowded.lines.push_back({0, 100, 1000, 100, 10, text});
            text.clear();
        }
    }
    crowded.lines.push_back({0, 100, 1000, 100, 10, text});
    EXPECT_EQ(WritePage(pdf, SaveRecognition("crowded.txt", crowded).c_str()), -1);
    EXPECT_EQ(layerError_, "识别的文字含有超过 65535 个不同的字符，一页放不下。");
    EXPECT_EQ(Bytes(pdf).find("/Font"), std::string::npos) << "the page is written without it";
}

}  // namespace
