// The page-rendering engine as the conversion driver sees it: the five calls of the engine's
// libraries. Every call gives nothing when the library or the function is missing, so the
// caller skips that step.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "libs/Quirel/Quirel.h"

namespace pagelift {

// Why the engine's main library cannot be used.
struct UnloadableLibrary {
    std::string fileName;
    std::string reason;    // the loader's own words
    bool present = false;  // the program folder holds the file
};

// What the last export did, when the engine can tell.
using ExportReport = QuirelExportReport;

class PageEngine {
  public:
    virtual ~PageEngine() = default;

    // Paths are in Windows form; the password is UTF-8 text.
    virtual std::optional<int32_t> OpenPDF(const std::string& path,
                                           const std::string& password) = 0;
    virtual std::optional<int32_t> GetPageNum(int32_t handle) = 0;
    virtual std::optional<int32_t> ExportIMG(int32_t handle, const std::string& folder,
                                             const std::string& name, int32_t format, int32_t dpi,
                                             int32_t bitsPerPixel, int32_t firstPage,
                                             int32_t lastPage, ExportProgressProc progress) = 0;
    virtual std::optional<int32_t> ExportTIF(int32_t handle, const std::string& folder,
                                             const std::string& name, int32_t xDpi, int32_t yDpi,
                                             int32_t firstPage, int32_t lastPage,
                                             ExportProgressProc progress, int32_t reserved1,
                                             int32_t reserved2) = 0;
    virtual std::optional<int32_t> ClosePDF(int32_t handle) = 0;

    virtual std::optional<ExportReport> LastExport() = 0;

    // Nothing when the main library loads.
    virtual std::optional<UnloadableLibrary> UnloadableMainLibrary() = 0;
};

// The engine of the program folder: "Quirel.dll" and "Quirel1.dll", loaded by name at the
// first call. Paths go to it as host paths, the password in the system code page.
std::unique_ptr<PageEngine> NewQuirelEngine();

}  // namespace pagelift
