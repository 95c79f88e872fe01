// Why a picture's text was not recognized, shared by the text recognizer imocr and its caller:
// the helper ends with the fault's exit code, and the caller turns the code back into the
// reason the user reads. Every text the user reads about recognition is here.
#pragma once

namespace ocr {

enum class RecognitionFault {
    None,
    Unreadable,      // the picture cannot be read
    NoLanguageData,  // the Chinese or English language data, or the orientation data, is missing
    Failed,          // the recognizer gave up on the picture
    CannotWrite,     // the recognized lines cannot be written
    NoHelper,        // the helper program cannot be started
    Crashed,         // the helper crashed, or ran out of the memory it may take
    TimedOut,        // the helper did not end within its time
};

struct RecognitionFaultRow {
    RecognitionFault fault;
    int exitCode;  // of imocr; -1 for the faults its caller sees
    const char* reason;
};

inline constexpr RecognitionFaultRow kRecognitionFaults[] = {
    {RecognitionFault::None, 0, ""},
    {RecognitionFault::Unreadable, 3, "文字识别无法读取图片"},
    {RecognitionFault::NoLanguageData, 4,
     "缺少文字识别的语言数据, 请安装 tesseract-ocr-chi-sim、tesseract-ocr-eng 和 "
     "tesseract-ocr-osd"},
    {RecognitionFault::Failed, 5, "文字识别失败"},
    {RecognitionFault::CannotWrite, 6, "识别出的文字无法写入临时文件夹"},
    {RecognitionFault::NoHelper, -1, "无法启动文字识别程序 imocr"},
    {RecognitionFault::Crashed, -1, "文字识别程序在处理它时崩溃或内存不足"},
    {RecognitionFault::TimedOut, -1, "文字识别没有在 {} 秒内结束"},
};

inline constexpr int kUsageExitCode = 2;

inline const RecognitionFaultRow& RowOf(RecognitionFault fault) {
    for (const RecognitionFaultRow& row : kRecognitionFaults) {
        if (row.fault == fault) return row;
    }
    return kRecognitionFaults[0];
}

inline int ExitCodeOf(RecognitionFault fault) { return RowOf(fault).exitCode; }

// The fault an exit code of imocr stands for; Failed for a code it never uses.
inline RecognitionFault FaultOfExitCode(int exitCode) {
    for (const RecognitionFaultRow& row : kRecognitionFaults) {
        if (row.exitCode == exitCode) return row.fault;
    }
    return RecognitionFault::Failed;
}

}  // namespace ocr
