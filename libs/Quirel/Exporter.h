// One export call: pages rendered and encoded in parallel, one MuPDF document per worker,
// while the caller's thread reports finished pages in page order.
#pragma once

#include <cstdint>

#include "Quirel.h"

namespace quirel {

// The body of ExportIMG and ExportTIF; returns pages written or a negative QUIREL_* code.
int32_t ExportPages(int32_t handle, const char* folder, int32_t format, int32_t xDpi, int32_t yDpi,
                    int32_t firstPage, int32_t lastPage, ExportProgressProc progress);

}  // namespace quirel
