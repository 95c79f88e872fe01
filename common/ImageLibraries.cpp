#include "ImageLibraries.h"

#include <FreeImage.h>
#include <tiffio.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace decoding {
namespace {

std::atomic<bool> gAllocationFailed{false};

void KeepMessage(FREE_IMAGE_FORMAT, const char* message) {
    // FreeImage's texts for a bitmap or buffer it could not allocate.
    if (message != nullptr && std::strstr(message, "allocation failed") != nullptr) {
        gAllocationFailed = true;
    }
}

}  // namespace

void SilenceImageLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        FreeImage_SetOutputMessage(KeepMessage);
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandler(nullptr);
    });
}

bool TakeAllocationFailure() { return gAllocationFailed.exchange(false); }

}  // namespace decoding
