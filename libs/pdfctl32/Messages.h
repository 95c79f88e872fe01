// Every text the PDF writer gives through GetErrorMsg, which imbinder shows its user; each {}
// takes the next value, in order (decoding::Fill).
#pragma once

namespace pdfctl32::messages {

inline constexpr char kNoBox[] = "没有编号为 {} 的实例。";
inline constexpr char kNoNumericProperty[] = "没有数值属性 {}。";
inline constexpr char kNoTextProperty[] = "没有文本属性 {}。";
inline constexpr char kPropertyTextMissing[] = "属性 {} 的文本缺失。";
inline constexpr char kDocumentAlreadyBegun[] = "文档已经开始。";
inline constexpr char kDocumentNotBegun[] = "文档尚未开始。";
inline constexpr char kNoDocumentFile[] = "没有设置文档文件。";
inline constexpr char kPageSizeOutside[] =
    "页面大小 {} x {} (0.1 毫米) 超出 PDF 允许的范围 (3 到 14400 点，约 11 到 50800 个 0.1 毫米)。";
inline constexpr char kImageFileNameMissing[] = "缺少图片文件名。";
inline constexpr char kDocumentNotCreated[] = "无法创建文档。";
inline constexpr char kPageNotCreated[] = "无法创建页面。";
inline constexpr char kImageNotPlaced[] = "无法把图片放到页面上。";
inline constexpr char kDocumentFileNotMade[] = "无法创建文档文件 {}。";
inline constexpr char kDocumentFileNotWritten[] = "无法写入文档文件 {}：{}。";
inline constexpr char kLibraryError[] = " (libharu 错误 0x{}，详情 {})";
inline constexpr char kImageFileMissing[] = "图片文件 {} 不存在。";
inline constexpr char kImageFileUndecodable[] = "无法解码图片文件 {}：{}。";
inline constexpr char kImageFileUnencodable[] = "图片文件 {} 无法编码为 JPEG。";
inline constexpr char kRecognitionFileNameMissing[] = "缺少识别文件名。";
inline constexpr char kRecognitionFileMissing[] = "识别文件 {} 不存在。";
inline constexpr char kRecognitionFileUnreadable[] = "无法读取识别文件 {}。";
inline constexpr char kRecognitionFileRefused[] = "识别文件 {} 无法使用：{}。";
inline constexpr char kLayerFontMissing[] = "文字层的字体文件 {} 不存在或已损坏。";
inline constexpr char kTooManyCharacters[] = "识别的文字含有超过 65535 个不同的字符，一页放不下。";
inline constexpr char kTextLayerNotAdded[] = " (无法加入文字层)";

}  // namespace pdfctl32::messages
