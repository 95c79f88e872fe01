// Opening, counting and closing documents, encrypted ones included.
#include <fstream>

#include "EngineFixture.h"
#include "Quirel.h"
#include "TestDocuments.h"
#include "platform/Platform.h"
#include "tests/support/ChineseCodePage.h"

extern "C" {
#include <mupdf/pdf.h>
}

using namespace enginetest;

namespace {

class OpenDocumentTest : public EngineFixture {
  protected:
    std::filesystem::path plainPdf(int pages) {
        const auto file = path("plain.pdf");
        WritePdf(file, std::vector<TestPage>(size_t(pages)));
        return file;
    }

    // Opens, expects a handle, closes again.
    static void ExpectOpens(const std::filesystem::path& file, const char* password) {
        const int32_t handle = OpenPDF(file.c_str(), password);
        EXPECT_GE(handle, 1) << "password " << password;
        EXPECT_EQ(GetPageNum(handle), 1);
        ClosePDF(handle);
    }
};

TEST_F(OpenDocumentTest, OpensDocumentAndCountsItsPages) {
    const int32_t handle = OpenPDF(plainPdf(7).c_str(), "");
    ASSERT_GE(handle, 1);
    EXPECT_EQ(GetPageNum(handle), 7);
    EXPECT_EQ(ClosePDF(handle), 1);
    EXPECT_EQ(GetPageNum(handle), 0);
}

TEST_F(OpenDocumentTest, HandlesOfTwoOpenDocumentsDiffer) {
    const auto file = plainPdf(2);
    const int32_t first = OpenPDF(file.c_str(), "");
    const int32_t second = OpenPDF(file.c_str(), nullptr);
    EXPECT_GE(first, 1);
    EXPECT_GE(second, 1);
    EXPECT_NE(first, second);
    ClosePDF(first);
    EXPECT_EQ(GetPageNum(second), 2);
    ClosePDF(second);
}

TEST_F(OpenDocumentTest, FilesThatAreNoPdfGiveMinusOne) {
    std::ofstream(path("notes.pdf")) << "just some text, no PDF at all\n";
    std::ofstream(path("empty.pdf"));
    EXPECT_EQ(OpenPDF(path("missing.pdf").c_str(), ""), QUIREL_OPEN_FAILED);
    EXPECT_EQ(OpenPDF(path("notes.pdf").c_str(), ""), QUIREL_OPEN_FAILED);
    EXPECT_EQ(OpenPDF(path("empty.pdf").c_str(), ""), QUIREL_OPEN_FAILED);
    EXPECT_EQ(OpenPDF(dir_.c_str(), ""), QUIREL_OPEN_FAILED);
    EXPECT_EQ(OpenPDF(nullptr, nullptr), QUIREL_OPEN_FAILED);
    EXPECT_EQ(OpenPDF("", ""), QUIREL_OPEN_FAILED);
}

TEST_F(OpenDocumentTest, DamagedFileIsRepairedOrRefusedQuietlyAndExportsWithoutCrash) {
    const auto file = plainPdf(3);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (size_t keep : {bytes.size() * 2 / 3, bytes.size() / 3, size_t{20}}) {
        std::string damaged = bytes.substr(0, keep);
        damaged.replace(damaged.size() / 2, 4, "\x01\xff\x00x", 4);
        std::ofstream(path("damaged.pdf"), std::ios::binary) << damaged;
        const int32_t handle = OpenPDF(path("damaged.pdf").c_str(), "");
        EXPECT_TRUE(handle == QUIREL_OPEN_FAILED || handle >= 1) << "kept " << keep << " bytes";
        if (handle < 1) continue;
        EXPECT_GE(GetPageNum(handle), 1);
        const int32_t written =
            ExportIMG(handle, path("out").c_str(), "", QUIREL_PNG, 36, 24, 1, 99, nullptr);
        EXPECT_TRUE(written >= 1 || written == QUIREL_RENDER_ERROR) << written;
        ClosePDF(handle);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(OpenDocumentTest, ClosingWhatIsNotOpenIsHarmless) {
    EXPECT_EQ(ClosePDF(-1), 0);
    EXPECT_EQ(ClosePDF(0), 0);
    EXPECT_EQ(ClosePDF(987654), 0);
    const int32_t handle = OpenPDF(plainPdf(1).c_str(), "");
    EXPECT_EQ(ClosePDF(handle), 1);
    EXPECT_EQ(ClosePDF(handle), 0);
    EXPECT_EQ(GetPageNum(-1), 0);
    EXPECT_EQ(GetPageNum(0), 0);
}

TEST_F(OpenDocumentTest, Aes256DocumentNeedsTheUserOrTheOwnerPassword) {
    const auto file = path("aes256.pdf");
    WritePdf(file, {TestPage{}}, TestEncryption{PDF_ENCRYPT_AES_256, "reader", "keeper"});
    EXPECT_EQ(OpenPDF(file.c_str(), ""), QUIREL_NEEDS_PASSWORD);
    EXPECT_EQ(OpenPDF(file.c_str(), nullptr), QUIREL_NEEDS_PASSWORD);
    EXPECT_EQ(OpenPDF(file.c_str(), "Reader"), QUIREL_WRONG_PASSWORD);
    ExpectOpens(file, "reader");
    ExpectOpens(file, "keeper");
}

TEST_F(OpenDocumentTest, Rc4DocumentTakesLatinPasswordTypedAsUtf8OrAsLatin1Bytes) {
    WritePdf(path("plain.pdf"), {TestPage{}});
    ASSERT_TRUE(QpdfEncrypt(path("plain.pdf"), path("rc4.pdf"), "caf\xC3\xA9", "own\xC3\xA9r",
                            "128", {"--use-aes=n"}));
    EXPECT_EQ(OpenPDF(path("rc4.pdf").c_str(), "cafe"), QUIREL_WRONG_PASSWORD);
    ExpectOpens(path("rc4.pdf"), "caf\xC3\xA9");
    ExpectOpens(path("rc4.pdf"), "caf\xE9");
    ExpectOpens(path("rc4.pdf"), "own\xC3\xA9r");
}

TEST_F(OpenDocumentTest, Aes128DocumentOpensWithOwnerPassword) {
    WritePdf(path("plain.pdf"), {TestPage{}});
    ASSERT_TRUE(
        QpdfEncrypt(path("plain.pdf"), path("aes128.pdf"), "u", "owner", "128", {"--use-aes=y"}));
    EXPECT_EQ(OpenPDF(path("aes128.pdf").c_str(), ""), QUIREL_NEEDS_PASSWORD);
    ExpectOpens(path("aes128.pdf"), "owner");
}

TEST_F(OpenDocumentTest, Revision6PasswordIsSaslPrepNormalised) {
    WritePdf(path("plain.pdf"), {TestPage{}});
    // The document's password is the prepared form "file"; the user types the ligature and a
    // no-break space form that prepare to the same text.
    ASSERT_TRUE(QpdfEncrypt(path("plain.pdf"), path("r6.pdf"), "file x", "o", "256"));
    ExpectOpens(path("r6.pdf"), "\xEF\xAC\x81le\xC2\xA0x");
    ExpectOpens(path("r6.pdf"), "file x");
    EXPECT_EQ(OpenPDF(path("r6.pdf").c_str(), "filex"), QUIREL_WRONG_PASSWORD);
}

// The engine reads the code page the platform converts to: one override reaches both.
TEST_F(OpenDocumentTest, PasswordInThePlatformsChineseCodePageOpensAes256Document) {
    WritePdf(path("plain.pdf"), {TestPage{}});
    // AES-256 keeps the password as UTF-8; the caller's texts come in the system's GBK.
    ASSERT_TRUE(
        QpdfEncrypt(path("plain.pdf"), path("r6.pdf"), "\xE5\xAF\x86\xE7\xA0\x81", "o", "256"));
    {
        testing_support::ChineseCodePage gbk;
        ASSERT_TRUE(gbk.active());
        const std::string typed = platform::ToSystemCodePage("\xE5\xAF\x86\xE7\xA0\x81");
        EXPECT_EQ(typed, "\xC3\xDC\xC2\xEB");
        ExpectOpens(path("r6.pdf"), typed.c_str());
    }
    ExpectOpens(path("r6.pdf"), "\xE5\xAF\x86\xE7\xA0\x81");
}

}  // namespace
