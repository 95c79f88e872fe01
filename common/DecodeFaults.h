// Why an image was not decoded, shared by the guarded decoder and its helper program imdecode:
// the helper ends with the fault's exit code, and the decoder turns the code back into the
// reason the user reads.
#pragma once

#include <string>

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
    {DecodeFault::Unreadable, 3, "the file does not exist or cannot be read"},
    {DecodeFault::UnknownFormat, 4, "the file is not an image of a format that can be read"},
    {DecodeFault::TooLarge, 5, "the image is too large"},
    {DecodeFault::OutOfMemory, 6, "the image is too large for the memory a decode may take"},
    {DecodeFault::Damaged, 7, "the file is damaged"},
    {DecodeFault::CannotWrite, 8, "the decoded image cannot be written"},
    {DecodeFault::NoHelper, 9, "the image decoder imdecode cannot be started"},
};

inline constexpr int kUsageExitCode = 2;

inline const DecodeFaultRow& RowOf(DecodeFault fault) {
    for (const DecodeFaultRow& row : kDecodeFaults) {
        if (row.fault == fault) return row;
    }
    return kDecodeFaults[0];
}

inline int ExitCodeOf(DecodeFault fault) { return RowOf(fault).exitCode; }
inline std::string ReasonOf(DecodeFault fault) { return RowOf(fault).reason; }

// The fault an exit code of imdecode stands for; Damaged for a code it never uses.
inline DecodeFault FaultOfExitCode(int exitCode) {
    for (const DecodeFaultRow& row : kDecodeFaults) {
        if (row.exitCode == exitCode) return row.fault;
    }
    return DecodeFault::Damaged;
}

}  // namespace decoding
