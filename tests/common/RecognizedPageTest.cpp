#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/RecognizedPage.h"

using recognition::FormatRecognizedPage;
using recognition::ParseRecognizedPage;
using recognition::RecognizedLine;
using recognition::RecognizedPage;

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string Header() { return "recognized 1 800 600\n"; }

}  // namespace

TEST(RecognizedPage, ReadsBackExactlyWhatWasWritten) {
    RecognizedPage page{2480, 3508, {}};
    page.lines.push_back({100.5, 200.25, 900.125, 200.25, 48, "提交采购申请"});
    page.lines.push_back({0.1, 1e-7, -0.0, 12345.678901234567, 3.0000000000000004,
                          "Purchase order 2024 \xF0\xA0\x80\x80 \xE2\x82\xAC"});
    page.lines.push_back({10, 3000, 10, 100, 60, "tab\there, new\nline\r, back\\slash, \\t"});
    page.lines.push_back({1, 2, 3, 4, 0, ""});

    const std::string text = FormatRecognizedPage(page);
    EXPECT_EQ(text.substr(0, text.find('\n')), "recognized 1 2480 3508");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5) << "one line per text line";

    const auto parsed = ParseRecognizedPage(text);
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.page.width, 2480);
    EXPECT_EQ(parsed.page.height, 3508);
    ASSERT_EQ(parsed.page.lines.size(), page.lines.size());
    for (size_t i = 0; i < page.lines.size(); ++i) {
        const RecognizedLine& want = page.lines[i];
        const RecognizedLine& got = parsed.page.lines[i];
        EXPECT_TRUE(SameBits(got.x1, want.x1) && SameBits(got.y1, want.y1) &&
                    SameBits(got.x2, want.x2) && SameBits(got.y2, want.y2) &&
                    SameBits(got.height, want.height))
            << "line " << i;
        EXPECT_EQ(got.text, want.text) << "line " << i;
    }
    EXPECT_EQ(ParseRecognizedPage(Header()).page.lines.size(), 0u) << "a page without text";
}

TEST(RecognizedPage, RefusesDamagedFilesSayingWhere) {
    const std::string line = "1 2 3 4 5\ttext\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "开头不是识别文件的标记"},
        {"recognised 1 800 600\n", "开头不是识别文件的标记"},
        {"recognized 1 800 600", "开头不是识别文件的标记"},
        {"recognized 2 800 600 7\n", "不支持版本 2 的识别文件"},
        {"recognized 1 0 600\n", "图片大小无效 (每边应为 1 到 65535 像素)"},
        {"recognized 1 800 65536\n", "图片大小无效 (每边应为 1 到 65535 像素)"},
        {"recognized 1 800 600 9\n", "图片大小无效 (每边应为 1 到 65535 像素)"},
        {"recognized 1 800\n", "图片大小无效 (每边应为 1 到 65535 像素)"},
        {Header() + line + "1 2 3 4 5\tcut of", "第 3 行：行不完整 (文件被截断)"},
        {Header() + "1 2 3 4\ttext\n", "第 2 行：应为五个数字、一个制表符和文字"},
        {Header() + "1 2 3 4 5 6\ttext\n", "第 2 行：应为五个数字、一个制表符和文字"},
        {Header() + "1 2 3 4 5 text\n", "第 2 行：应为五个数字、一个制表符和文字"},
        {Header() + "1  2 3 4 5\ttext\n", "第 2 行：应为五个数字、一个制表符和文字"},
        {Header() + "1 2 3 4 0x5\ttext\n", "第 2 行：应为五个数字、一个制表符和文字"},
        {Header() + "1 2 3 4 1e400\ttext\n", "第 2 行：应为五个数字、一个制表符和文字"},
        {Header() + "\n", "第 2 行：应为五个数字、一个制表符和文字"},
        {Header() + line + "nan 2 3 4 5\ttext\n", "第 3 行：数字超出范围"},
        {Header() + "1 2 3 inf 5\ttext\n", "第 2 行：数字超出范围"},
        {Header() + "1 2 -1000001 4 5\ttext\n", "第 2 行：数字超出范围"},
        {Header() + "1 2 3 4 -1\ttext\n", "第 2 行：数字超出范围"},
        {Header() + "1 2 3 4 5\ta\\qb\n", "第 2 行：文字中有无效的转义"},
        {Header() + "1 2 3 4 5\tends in \\\n", "第 2 行：文字中有无效的转义"},
        {Header() + "1 2 3 4 5\ta\tb\n", "第 2 行：文字中有无效的转义"},
        {Header() + "1 2 3 4 5\tCRLF\r\n", "第 2 行：文字中有无效的转义"},
        {Header() + "1 2 3 4 5\t\xC0\x80\n", "第 2 行：文字不是有效的 UTF-8"},
        {Header() + "1 2 3 4 5\t\xED\xA0\x80\n", "第 2 行：文字不是有效的 UTF-8"},
        {Header() + "1 2 3 4 5\t\xF4\x90\x80\x80\n", "第 2 行：文字不是有效的 UTF-8"},
        {Header() + "1 2 3 4 5\t\xE6\x8F\n", "第 2 行：文字不是有效的 UTF-8"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseRecognizedPage(c.text);
        EXPECT_EQ(parsed.error, c.error) << c.text;
        EXPECT_TRUE(parsed.page.lines.empty()) << c.text;
    }
}

TEST(RecognizedPage, BoundsTheLinesTheTextAndTheFile) {
    std::string lines = Header();
    for (int i = 0; i < 100000; ++i) lines += "1 2 3 4 5\tx\n";
    EXPECT_EQ(ParseRecognizedPage(lines).page.lines.size(), 100000u);
    EXPECT_EQ(ParseRecognizedPage(lines + "1 2 3 4 5\tx\n").error, "超过 100000 行文字");

    const std::string longest = Header() + "1 2 3 4 5\t" + std::string(65536, 'a') + "\n";
    EXPECT_EQ(ParseRecognizedPage(longest).error, "");
    const std::string tooLong = Header() + "1 2 3 4 5\t" + std::string(65535, 'a') + "\\n\\n\n";
    EXPECT_EQ(ParseRecognizedPage(tooLong).error, "第 2 行：文字超过 64 KiB");

    std::string huge = Header() + "1 2 3 4 5\t";
    huge.resize((64 << 20) + 1, 'a');
    EXPECT_EQ(ParseRecognizedPage(huge).error, "文件超过 64 MiB");
}
