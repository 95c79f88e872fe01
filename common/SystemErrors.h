// Why the system refused a file operation, in the words both programs show: the C library's
// error number (errno) of a failed create, write or rename, as the engine, the decoder helper
// and the PDF writer pass it on.
#pragma once

#include <string>
#include <system_error>

namespace common {

struct SystemErrorRow {
    std::errc error;
    const char* reason;
};

inline constexpr SystemErrorRow kSystemErrors[] = {
    {std::errc::no_space_on_device, "磁盘空间不足"},
    {std::errc::permission_denied, "没有写入权限"},
    {std::errc::operation_not_permitted, "没有写入权限"},
    {std::errc::read_only_file_system, "磁盘是只读的"},
    {std::errc::file_too_large, "文件超过了允许的大小"},
    {std::errc::filename_too_long, "文件名太长"},
    {std::errc::no_such_file_or_directory, "文件夹不存在"},
    {std::errc::not_a_directory, "路径中有同名的文件"},
    {std::errc::is_a_directory, "已有同名的文件夹"},
    {std::errc::too_many_files_open, "打开的文件太多"},
    {std::errc::io_error, "磁盘读写错误"},
    {std::errc::not_enough_memory, "内存不足"},
};

inline constexpr char kUnknownSystemError[] = "原因不明";
inline constexpr char kSystemErrorNumber[] = "系统错误 ";

// The reason for an error number; 0 (the system gave none) is an unknown reason, and a number
// outside the table is shown as it is.
inline std::string SystemErrorText(int errorNumber) {
    if (errorNumber == 0) return kUnknownSystemError;
    const std::error_condition condition =
        std::generic_category().default_error_condition(errorNumber);
    for (const SystemErrorRow& row : kSystemErrors) {
        if (condition == row.error) return row.reason;
    }
    return kSystemErrorNumber + std::to_string(errorNumber);
}

}  // namespace common
