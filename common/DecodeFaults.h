// Why an image was not decoded, shared by the guarded decoder and its helper program imdecode:
// the helper ends with the fault's exit code, and the decoder turns the code back into the
// reason the user reads. Every text the user reads about a decode is here.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace decoding {

enum class DecodeFault {
    None,
    Unreadable,     // missing, or not a file that can be read
    UnknownFormat,  // not an image of a format FreeImage reads
    TooLarge,       // the header claims more pixels than the limits allow
    OutOfMemory,    // the decode needs more memory than the helper may take
    Damaged,        // the decoder failed, crashed or never finished
    CannotWrite,    // the 24-bit result cannot be written
    NoHelper,       // the helper program cannot be started
};

struct DecodeFaultRow {
    DecodeFault fault;
    int exitCode;  // of imdecode
    const char* reason;
};

inline constexpr DecodeFaultRow kDecodeFaults[] = {
    {DecodeFault::None, 0, ""},
    {DecodeFault::Unreadable, 3, "文件不存在或无法读取"},
    {DecodeFault::UnknownFormat, 4, "不是可以读取的图片格式"},
    {DecodeFault::TooLarge, 5, "图片太大"},
    {DecodeFault::OutOfMemory, 6, "解码所需内存超过允许的上限"},
    {DecodeFault::Damaged, 7, "文件已损坏"},
    {DecodeFault::CannotWrite, 8, "解码后的图片无法写入"},
    {DecodeFault::NoHelper, 9, "无法启动图片解码程序 imdecode"},
};

// The phrases the reasons are made of; each {} takes the next value, in order.
namespace phrase {
inline constexpr char kTooLargeDetail[] = "{} x {} 像素；最多 3 亿像素，每边最多 65535";
inline constexpr char kCrashed[] = "解码程序在处理它时崩溃";
inline constexpr char kTimedOut[] = "解码没有在 {} 秒内结束";
inline constexpr char kNoRoomForCopy[] = "临时文件夹没有空间存放解码后的副本";
}  // namespace phrase

// The phrase with its {} filled in order; a {} without a value stays as it is.
inline std::string Fill(std::string_view phrase, std::initializer_list<std::string_view> values) {
    std::string text;
    auto value = values.begin();
    for (size_t i = 0; i < phrase.size(); ++i) {
        if (phrase.compare(i, 2, "{}") == 0 && value != values.end()) {
            text += *value++;
            ++i;
        } else {
            text += phrase[i];
        }
    }
    return text;
}

inline constexpr int kUsageExitCode = 2;

inline const DecodeFaultRow& RowOf(DecodeFault fault) {
    for (const DecodeFaultRow& row : kDecodeFaults) {
        if (row.fault == fault) return row;
    }
    return kDecodeFaults[0];
}

inline int ExitCodeOf(DecodeFault fault) { return RowOf(fault).exitCode; }
inline std::string ReasonOf(DecodeFault fault) { return RowOf(fault).reason; }

// A fault's reason with what is known about it: "reason (detail)".
inline std::string ReasonWith(DecodeFault fault, const std::string& detail) {
    return ReasonOf(fault) + " (" + detail + ")";
}

// The fault an exit code of imdecode stands for; Damaged for a code it never uses.
inline DecodeFault FaultOfExitCode(int exitCode) {
    for (const DecodeFaultRow& row : kDecodeFaults) {
        if (row.exitCode == exitCode) return row.fault;
    }
    return DecodeFault::Damaged;
}

}  // namespace decoding
