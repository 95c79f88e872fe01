// The engine's C entry points: argument checks and the document table, nothing more. No
// exception leaves the library.
#include "DocumentTable.h"
#include "Exporter.h"
#include "Quirel.h"

using quirel::DocumentTable;

extern "C" {

QUIREL_API int32_t QUIREL_CALL OpenPDF(const char* path, const char* password) {
    try {
        quirel::OpenOutcome outcome = quirel::OpenDocumentFile(path, password);
        if (!outcome.document) return outcome.code;
        return DocumentTable::Instance().add(std::move(outcome.document));
    } catch (const std::exception&) {
        return QUIREL_OPEN_FAILED;
    }
}

QUIREL_API int32_t QUIREL_CALL GetPageNum(int32_t handle) {
    std::shared_ptr<quirel::OpenDocument> document = DocumentTable::Instance().find(handle);
    return document ? document->pageCount : 0;
}

QUIREL_API int32_t QUIREL_CALL QuirelExportPages(int32_t handle, const char* folder, int32_t format,
                                                 int32_t xDpi, int32_t yDpi, int32_t firstPage,
                                                 int32_t lastPage, ExportProgressProc progress) {
    try {
        return quirel::ExportPages(handle, folder, format, xDpi, yDpi, firstPage, lastPage,
                                   progress);
    } catch (const std::exception&) {
        return quirel::RecordRefusal(QUIREL_WRITE_ERROR, 0);
    }
}

QUIREL_API int32_t QUIREL_CALL ExportIMG(int32_t handle, const char* folder, const char*,
                                         int32_t format, int32_t dpi, int32_t, int32_t firstPage,
                                         int32_t lastPage, ExportProgressProc progress) {
    if (format == QUIREL_TIFF)
        return quirel::RecordRefusal(QUIREL_BAD_ARGUMENT, 0);  // libQuirel1's
    return QuirelExportPages(handle, folder, format, dpi, dpi, firstPage, lastPage, progress);
}

QUIREL_API void QUIREL_CALL QuirelLastExport(QuirelExportReport* report) {
    if (report) *report = quirel::LastExport();
}

QUIREL_API int32_t QUIREL_CALL ClosePDF(int32_t handle) {
    return DocumentTable::Instance().remove(handle) ? 1 : 0;
}

}  // extern "C"
