#include "JpegMessages.h"

#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace quirel {
namespace {

thread_local fz_context* warningContext = nullptr;

void WarnThroughMupdf(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    info->err->format_message(info, message);
    if (warningContext) fz_warn(warningContext, "%s", message);
}

}  // namespace

JpegWarningsTo::JpegWarningsTo(fz_context* ctx) : outer_(warningContext) { warningContext = ctx; }

JpegWarningsTo::~JpegWarningsTo() { warningContext = outer_; }

}  // namespace quirel

// The link maps every call of jpeg_std_error inside the library here (--wrap).
extern "C" jpeg_error_mgr* __real_jpeg_std_error(jpeg_error_mgr* errors);

extern "C" jpeg_error_mgr* __wrap_jpeg_std_error(jpeg_error_mgr* errors) {
    __real_jpeg_std_error(errors);
    errors->output_message = quirel::WarnThroughMupdf;
    return errors;
}
