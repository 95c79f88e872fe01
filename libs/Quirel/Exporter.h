// One export call: pages rendered and encoded in parallel, one MuPDF document per worker,
// while the caller's thread reports finished pages in page order.
#pragma once

#include <cstdint>

#include "Quirel.h"

namespace quirel {

// The body of ExportIMG and ExportTIF; returns pages written or a negative QUIREL_* code, and
// keeps what it did for LastExport.
int32_t ExportPages(int32_t handle, const char* folder, int32_t format, int32_t xDpi, int32_t yDpi,
                    int32_t firstPage, int32_t lastPage, ExportProgressProc progress);

// What the last export did (QuirelLastExport).
QuirelExportReport LastExport();

// Keeps an export refused as a whole as the last one; returns code.
int32_t RecordRefusal(int32_t code, int systemError);

}  // namespace quirel
