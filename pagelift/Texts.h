// The texts pagelift shows beyond its window's captions: why a document was not converted,
// the messages of a run, and the guide's link.
#pragma once

#include <string>

namespace pagelift::texts {

// A run
inline constexpr const char* kAddPdfFirst = "请先添加一个PDF文件";
inline constexpr const char* kAddTitle = "添加";
inline constexpr const char* kPreparingFile = "准备文件...";
inline constexpr const char* kConversionDone = "转换完成.";
inline constexpr const char* kRunTitle = "转换";
// present: the program folder holds the library; reason: the loader's own words.
inline std::string EngineNotLoaded(const std::string& library, bool present,
                                   const std::string& reason) {
    std::string text = "无法加载页面渲染引擎 " + library + ", 没有转换任何文件。\n";
    text += present ? "它在程序文件夹中, 但系统无法加载它:" : "请确认它在程序文件夹中。";
    if (!reason.empty()) text += "\n" + reason;
    return text;
}
inline constexpr const char* kDocumentsNotConverted = "以下文件没有转换成功:";

// Why a document was not converted
inline constexpr const char* kNoOutputFormat = "没有选择输出图片格式";
inline constexpr const char* kResolutionNotANumber = "输出图像精度(DPI)不是数字";
inline constexpr const char* kEngineLacksTiff = "页面渲染引擎缺少 TIFF 输出";
inline constexpr const char* kEngineLacksImages = "页面渲染引擎缺少图像输出";
inline constexpr const char* kWrongPassword = "密码错误";
inline constexpr const char* kCannotOpen = "无法打开: 文件不存在、不是PDF文件或已损坏";
inline constexpr const char* kDocumentNotOpen = "文档无法打开";
inline constexpr const char* kBadFormatOrResolution = "输出格式或精度无效";
inline constexpr const char* kOutputFolderNotMade = "无法创建输出文件夹";
inline constexpr const char* kImageNotWritten = "无法写入图像文件";
inline std::string PartlyWritten(int written, int pages, const std::string& reason) {
    return "只写入了 " + std::to_string(written) + "/" + std::to_string(pages) + " 页 (" + reason +
           ")";
}
inline constexpr const char* kPageTooLarge = "页面太大, 请降低精度";
inline constexpr const char* kPageNotRendered = "页面无法渲染(文件已损坏)";
inline std::string ConversionFailed(int code) {
    return "转换失败(错误 " + std::to_string(code) + ")";
}

// The window
inline constexpr const char* kGuideCaption = "用户指南";

}  // namespace pagelift::texts
