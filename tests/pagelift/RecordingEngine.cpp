#include "RecordingEngine.h"

#include <algorithm>

namespace pagelifttest {

std::optional<int32_t> RecordingEngine::OpenPDF(const std::string& path,
                                                const std::string& password) {
    calls.push_back("OpenPDF(" + path + "," + password + ")");
    auto document = documents.find(path);
    if (document == documents.end() || document->second.damaged) return QUIREL_OPEN_FAILED;
    if (document->second.password != password) {
        return password.empty() ? QUIREL_NEEDS_PASSWORD : QUIREL_WRONG_PASSWORD;
    }
    open_[nextHandle_] = path;
    return nextHandle_++;
}

std::optional<int32_t> RecordingEngine::GetPageNum(int32_t handle) {
    calls.push_back("GetPageNum(" + std::to_string(handle) + ")");
    auto path = open_.find(handle);
    return path == open_.end() ? 0 : documents[path->second].pages;
}

std::optional<int32_t> RecordingEngine::ExportIMG(int32_t handle, const std::string& folder,
                                                  const std::string& name, int32_t format,
                                                  int32_t dpi, int32_t bitsPerPixel,
                                                  int32_t firstPage, int32_t lastPage,
                                                  ExportProgressProc progress) {
    calls.push_back("ExportIMG(" + std::to_string(handle) + "," + folder + "," + name + "," +
                    std::to_string(format) + "," + std::to_string(dpi) + "," +
                    std::to_string(bitsPerPixel) + "," + std::to_string(firstPage) + "," +
                    std::to_string(lastPage) + ")");
    return Export(handle, firstPage, lastPage, progress);
}

std::optional<int32_t> RecordingEngine::ExportTIF(int32_t handle, const std::string& folder,
                                                  const std::string& name, int32_t xDpi,
                                                  int32_t yDpi, int32_t firstPage, int32_t lastPage,
                                                  ExportProgressProc progress, int32_t reserved1,
                                                  int32_t reserved2) {
    calls.push_back("ExportTIF(" + std::to_string(handle) + "," + folder + "," + name + "," +
                    std::to_string(xDpi) + "," + std::to_string(yDpi) + "," +
                    std::to_string(firstPage) + "," + std::to_string(lastPage) + "," +
                    std::to_string(reserved1) + "," + std::to_string(reserved2) + ")");
    return Export(handle, firstPage, lastPage, progress);
}

int32_t RecordingEngine::Export(int32_t handle, int32_t first, int32_t last,
                                ExportProgressProc progress) {
    lastExport_ = {};
    auto path = open_.find(handle);
    if (path == open_.end()) return lastExport_.failure = QUIREL_UNKNOWN_HANDLE;
    const FakeDocument& document = documents[path->second];
    if (document.exportResult < 0) return lastExport_.failure = document.exportResult;
    int32_t total = std::max(0, last - first + 1);
    for (int32_t done = 1; done <= total; ++done) {
        progress(first, last, done);
        if (done == 1 && duringExport) duringExport();
    }
    lastExport_.pages = total;
    lastExport_.written = document.pagesWritten < 0 ? total : document.pagesWritten;
    if (lastExport_.written < total) {
        lastExport_.failure = QUIREL_WRITE_ERROR;
        lastExport_.systemError = document.systemError;
    }
    return lastExport_.written;
}

std::optional<int32_t> RecordingEngine::ClosePDF(int32_t handle) {
    calls.push_back("ClosePDF(" + std::to_string(handle) + ")");
    return open_.erase(handle) > 0 ? 1 : 0;
}

std::vector<std::string> RecordingEngine::CallsWith(const std::string& text) const {
    std::vector<std::string> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                 [&](const std::string& call) { return call.find(text) != std::string::npos; });
    return found;
}

}  // namespace pagelifttest
