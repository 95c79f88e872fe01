// The texts pagelift shows beyond its window's captions: why a document was not converted,
// the messages of a run, and the guide's link.
#pragma once

#include <string>

namespace pagelift::texts {

// A run
inline constexpr const char* kRunTitle = "转换";
inline std::string EngineMissing(const std::string& library) {
    return "无法加载页面渲染引擎 " + library + ", 没有转换任何文件。\n请确认它在程序文件夹中。";
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
inline constexpr const char* kImageNotWritten = "无法写入图像文件(磁盘已满或没有权限)";
inline constexpr const char* kPageTooLarge = "页面太大, 请降低精度";
inline constexpr const char* kPageNotRendered = "页面无法渲染(文件已损坏)";
inline std::string ConversionFailed(int code) {
    return "转换失败(错误 " + std::to_string(code) + ")";
}

// The window
inline constexpr const char* kGuideCaption = "用户指南";

}  // namespace pagelift::texts
