// An engine for the window's tests: documents by path, every call recorded in order, and the
// export reporting progress page by page as the real engine does.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "pagelift/PageEngine.h"

namespace pagelifttest {

struct FakeDocument {
    int pages = 1;
    std::string password;   // empty: not encrypted
    bool damaged = false;   // cannot be opened at all
    int exportResult = 0;   // 0: the pages written; a negative code: the export fails
    int pagesWritten = -1;  // fewer than the range: a write error stopped the export
    int systemError = 0;    // of that write error
};

inline FakeDocument Doc(int pages, std::string password = {}, bool damaged = false,
                        int exportResult = 0) {
    FakeDocument document;
    document.pages = pages;
    document.password = std::move(password);
    document.damaged = damaged;
    document.exportResult = exportResult;
    return document;
}

class RecordingEngine : public pagelift::PageEngine {
  public:
    std::map<std::string, FakeDocument> documents;
    std::vector<std::string> calls;
    std::optional<pagelift::UnloadableLibrary> unloadableLibrary;
    // Runs after the first page of every export, as a user's command during a run would.
    std::function<void()> duringExport;

    std::optional<int32_t> OpenPDF(const std::string& path, const std::string& password) override;
    std::optional<int32_t> GetPageNum(int32_t handle) override;
    std::optional<int32_t> ExportIMG(int32_t handle, const std::string& folder,
                                     const std::string& name, int32_t format, int32_t dpi,
                                     int32_t bitsPerPixel, int32_t firstPage, int32_t lastPage,
                                     ExportProgressProc progress) override;
    std::optional<int32_t> ExportTIF(int32_t handle, const std::string& folder,
                                     const std::string& name, int32_t xDpi, int32_t yDpi,
                                     int32_t firstPage, int32_t lastPage,
                                     ExportProgressProc progress, int32_t reserved1,
                                     int32_t reserved2) override;
    std::optional<int32_t> ClosePDF(int32_t handle) override;
    std::optional<pagelift::ExportReport> LastExport() override { return lastExport_; }
    std::optional<pagelift::UnloadableLibrary> UnloadableMainLibrary() override {
        return unloadableLibrary;
    }

    // The calls that name this text, in order.
    std::vector<std::string> CallsWith(const std::string& text) const;

  private:
    int32_t Export(int32_t handle, int32_t first, int32_t last, ExportProgressProc progress);

    std::map<int32_t, std::string> open_;  // handle -> path
    int32_t nextHandle_ = 1;
    pagelift::ExportReport lastExport_{};
};

}  // namespace pagelifttest
