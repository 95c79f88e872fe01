// The texts imbinder shows beyond its window's captions: the build's messages and the reasons
// it gives for a document not made or an image left out, and the preview's reasons.
#pragma once

#include <string>

namespace imbinder::texts {

// The build
inline constexpr const char* kAddFileFirst = "请先添加一个文件";
inline constexpr const char* kAddFileTitle = "Add File";
inline constexpr const char* kPreparing = "准备文件...";
inline constexpr const char* kBuilding = "创建中...";
inline constexpr const char* kStartingMerge = "开始创建...";
inline constexpr const char* kRemovingWorkingFiles = "删除临时文件...";
inline constexpr const char* kBuildRunningElsewhere =
    "另一个窗口正在生成PDF文件，请等它完成后再开始。";
inline constexpr const char* kWorkingFoldersUnlockable = "无法锁定工作文件夹，没有开始生成: ";
inline constexpr const char* kBuildFailed = "创建失败.";
inline constexpr const char* kDocumentNotMade = "没有生成PDF文件: ";
inline constexpr const char* kImagesLeftOut = "以下文件没有加入文档:";
inline constexpr const char* kNoReadableImage = "没有一张图片可以转换";
inline constexpr const char* kPdftkNotStarted = "pdftk 无法启动";
inline constexpr const char* kPdftkMadeNoDocument = "pdftk 没有生成文档";
inline constexpr const char* kMergedDocumentDamaged = "pdftk 生成的文档不完整 (文件已损坏)";
inline std::string MergedDocumentShort(int found, int pages) {
    return "pdftk 生成的文档不完整 (只有 " + std::to_string(found) + " 页, 应有 " +
           std::to_string(pages) + " 页)";
}
inline std::string PdftkTimedOut(long long seconds) {
    return "pdftk 没有在 " + std::to_string(seconds) + " 秒内完成";
}
inline constexpr const char* kCannotWrite = "无法写入 ";
inline constexpr const char* kBitmapNotPlaced = "解码后的图片无法放到 ";
inline constexpr const char* kPageNotWritten = "PDF写入库没有写出它的页面";

// Text recognition
inline std::string Recognizing(int page, int pages) {
    return "正在识别文字 " + std::to_string(page) + "/" + std::to_string(pages);
}
inline constexpr const char* kPagesWithoutText = "以下图片已加入文档, 但没有加入识别的文字:";
inline constexpr const char* kNoTextLayerCall = "PDF写入库不能加入文字层";
inline constexpr const char* kRecognitionUnavailable = "文字识别不可用: ";

// The preview
inline constexpr const char* kTooLargeToPreview = "图片太大，无法预览";
inline constexpr const char* kFileUnreadable = "文件无法读取";
inline constexpr const char* kFileTooLargeToShow = "文件太大，无法显示";
inline constexpr const char* kNotAPicture = "无法读取图像";
inline constexpr const char* kReadingPicture = "正在读取图像…";
inline constexpr const char* kNoPreviewTitle = " (无法预览)";
inline constexpr const char* kNoPreview = "无法预览此文件：";

}  // namespace imbinder::texts
