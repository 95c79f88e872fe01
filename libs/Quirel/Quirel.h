/* Page-rendering engine: open a PDF document, count its pages and export page images.
   All functions are called from one thread. Paths are host paths: the bytes the file system
   holds, never converted to a code page. The password is text in the system code page, which
   is the code set of the C library's character locale (LC_CTYPE) of the calling process. */
#ifndef QUIREL_H
#define QUIREL_H

#include <stdint.h>

#if defined(_WIN32)
#define QUIREL_API __declspec(dllexport)
#define QUIREL_CALL __stdcall
#else
#define QUIREL_API __attribute__((visibility("default")))
#define QUIREL_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Called on the caller's thread during an export. Once for every page of the range, in page
   order, when the page is finished: written, failed, or left out after a write error stopped
   the export; done counts the pages finished so far (1 .. last - first + 1), so it always
   reaches the total. And while no page finishes, again about every 100 ms with the count of
   the last call (0 before the first page finishes), never with the total, so that the caller
   can keep its window live through a long page. The return value is ignored. */
typedef int32_t(QUIREL_CALL* ExportProgressProc)(int32_t first, int32_t last, int32_t done);

/* Results of OpenPDF below 1. */
enum {
    QUIREL_OPEN_FAILED = -1,    /* missing, not a PDF, or damaged beyond repair */
    QUIREL_NEEDS_PASSWORD = -2, /* encrypted and no password given */
    QUIREL_WRONG_PASSWORD = -3  /* the password given opens neither as user nor as owner */
};

/* Negative results of ExportIMG and ExportTIF: nothing was written. */
enum {
    QUIREL_UNKNOWN_HANDLE = -1,
    QUIREL_BAD_ARGUMENT = -2,   /* unknown format, resolution below 1 or above 65535 (the
                                   largest a JPEG header records), missing folder text */
    QUIREL_FOLDER_ERROR = -3,   /* the folder is missing and cannot be created */
    QUIREL_WRITE_ERROR = -4,    /* a file could not be created or written (disk full) */
    QUIREL_PAGE_TOO_LARGE = -5, /* over the format's limit, or over 4000 million pixels */
    QUIREL_RENDER_ERROR = -6    /* the page could not be loaded or rendered, or it ran over
                                   its time limit: 60 s plus 1 s for every 10 million pixels
                                   drawn (GIF draws its pages twice), or its patterns asked
                                   for more tiles than a page may draw, or it needed more
                                   memory than the engine may take: 512 MB for the document
                                   a worker renders from, 768 MB for all together */
};

/* Image format codes of ExportIMG. */
enum { QUIREL_BMP = 1, QUIREL_JPEG = 2, QUIREL_PNG = 4, QUIREL_GIF = 5 };

/* Opens the document; returns a handle of 1 or more, or one of the QUIREL_OPEN_* codes.
   The password is tried as user and as owner password. */
QUIREL_API int32_t QUIREL_CALL OpenPDF(const char* path, const char* password);

/* Page count of an open document; 0 for an unknown handle. */
QUIREL_API int32_t QUIREL_CALL GetPageNum(int32_t handle);

/* Writes pages firstPage..lastPage (clamped to the document) as 0001.ext, 0002.ext, ... into
   folder, creating it when missing. A file's number is the page's position in the range; a
   page that fails leaves its number unused. Each file is written under a temporary name
   beside it (0001.png.1.tmp) and renamed into place when complete, so a failed write leaves
   an older file of that name intact. The name text and bitsPerPixel are not used: the format
   decides the depth (24-bit, 8-bit palette for GIF). Returns the number of pages written,
   0 for an empty range, or a negative QUIREL_* code when nothing could be written. */
QUIREL_API int32_t QUIREL_CALL ExportIMG(int32_t handle, const char* folder, const char* name,
                                         int32_t format, int32_t dpi, int32_t bitsPerPixel,
                                         int32_t firstPage, int32_t lastPage,
                                         ExportProgressProc progress);

/* Releases the document; harmless for handles that are not open. Returns 1 when a document
   was closed, 0 otherwise. */
QUIREL_API int32_t QUIREL_CALL ClosePDF(int32_t handle);

/* What the last ExportIMG or ExportTIF of the process did. Their result counts the pages
   written, which alone does not tell a whole export from one that a full disk cut short. */
typedef struct {
    int32_t pages;       /* pages of the range, clamped to the document; 0 when the export
                            was refused before the range was known */
    int32_t written;     /* page files written */
    int32_t failure;     /* 0 when every page was written, else the QUIREL_* code of the
                            first page not written (a page never started because a write
                            error stopped the export counts as QUIREL_WRITE_ERROR), or of the
                            whole export when it was refused */
    int32_t systemError; /* the C library's error number (errno) of the first failed create,
                            write or rename behind QUIREL_WRITE_ERROR or QUIREL_FOLDER_ERROR;
                            0 when the system gave none */
} QuirelExportReport;

QUIREL_API void QUIREL_CALL QuirelLastExport(QuirelExportReport* report);

/* In libQuirel1: writes the pages as one lossless 24-bit TIFF file per page, as ExportIMG
   does for the other formats. reserved1 and reserved2 are not used. */
QUIREL_API int32_t QUIREL_CALL ExportTIF(int32_t handle, const char* folder, const char* name,
                                         int32_t xDpi, int32_t yDpi, int32_t firstPage,
                                         int32_t lastPage, ExportProgressProc progress,
                                         int32_t reserved1, int32_t reserved2);

/* The shared export entry libQuirel1 calls; format 6 is TIFF. */
#define QUIREL_TIFF 6
QUIREL_API int32_t QUIREL_CALL QuirelExportPages(int32_t handle, const char* folder, int32_t format,
                                                 int32_t xDpi, int32_t yDpi, int32_t firstPage,
                                                 int32_t lastPage, ExportProgressProc progress);

#ifdef __cplusplus
}
#endif

#endif
