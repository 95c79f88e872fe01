// The TIFF export library: it renders through libQuirel's document table and export, so a
// handle from OpenPDF is valid here and the rendering code exists once.
#include "Quirel.h"

extern "C" QUIREL_API int32_t QUIREL_CALL ExportTIF(int32_t handle, const char* folder, const char*,
                                                    int32_t xDpi, int32_t yDpi, int32_t firstPage,
                                                    int32_t lastPage, ExportProgressProc progress,
                                                    int32_t, int32_t) {
    return QuirelExportPages(handle, folder, QUIREL_TIFF, xDpi, yDpi, firstPage, lastPage,
                             progress);
}
