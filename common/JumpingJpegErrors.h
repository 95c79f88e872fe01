// A libjpeg error manager for C++ callers: it prints nothing and leaves a failing libjpeg call
// by a jump to the landing point the caller sets with setjmp(errors.jump) before each entry
// into libjpeg, outside libjpeg's frames, where the caller turns it into its own failure.
#pragma once

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace common {

struct JumpingJpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

// The manager to put in a compress or decompress object's err.
inline jpeg_error_mgr* UseJumpingErrors(JumpingJpegErrors& errors) {
    jpeg_error_mgr* manager = jpeg_std_error(&errors.base);
    manager->error_exit = [](j_common_ptr info) {
        std::longjmp(reinterpret_cast<JumpingJpegErrors*>(info->err)->jump, 1);
    };
    manager->output_message = [](j_common_ptr) {};
    return manager;
}

}  // namespace common
