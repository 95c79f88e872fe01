#include "pagelift/PageEngine.h"
#include "platform/Platform.h"

namespace pagelift {
namespace {

using OpenPdfProc = int32_t(QUIREL_CALL*)(const char*, const char*);
using HandleProc = int32_t(QUIREL_CALL*)(int32_t);
using ExportImgProc = int32_t(QUIREL_CALL*)(int32_t, const char*, const char*, int32_t, int32_t,
                                            int32_t, int32_t, int32_t, ExportProgressProc);
using ExportTifProc = int32_t(QUIREL_CALL*)(int32_t, const char*, const char*, int32_t, int32_t,
                                            int32_t, int32_t, ExportProgressProc, int32_t, int32_t);

constexpr const char* kMainLibrary = "Quirel.dll";
constexpr const char* kTiffLibrary = "Quirel1.dll";

// One library, loaded at the first call that needs it; a library that failed to load is tried
// again at the next call, so one copied into the program folder later is found.
class LazyLibrary {
  public:
    explicit LazyLibrary(const char* dllName) : dllName_(dllName) {}

    bool Load() {
        if (library_) return true;
        platform::LibraryLoad load = platform::Library::Load(dllName_);
        library_ = std::move(load.library);
        failure_ = {platform::HostLibraryFileName(dllName_), std::move(load.error), load.present};
        return library_ != nullptr;
    }
    // Why the last load failed.
    const UnloadableLibrary& Failure() const { return failure_; }
    template <typename F>
    F Function(const char* name) {
        return Load() ? library_->Function<F>(name) : nullptr;
    }

  private:
    const char* dllName_;
    std::unique_ptr<platform::Library> library_;
    UnloadableLibrary failure_;
};

template <typename F, typename... Args>
std::optional<int32_t> Call(F function, Args... args) {
    if (function == nullptr) return std::nullopt;
    return function(args...);
}

class QuirelEngine : public PageEngine {
  public:
    std::optional<int32_t> OpenPDF(const std::string& path, const std::string& password) override {
        std::string hostPath = platform::ToHostPath(path);
        std::string ansiPassword = platform::ToSystemCodePage(password);
        return Call(main_.Function<OpenPdfProc>("OpenPDF"), hostPath.c_str(), ansiPassword.c_str());
    }

    std::optional<int32_t> GetPageNum(int32_t handle) override {
        return Call(main_.Function<HandleProc>("GetPageNum"), handle);
    }

    std::optional<int32_t> ExportIMG(int32_t handle, const std::string& folder,
                                     const std::string& name, int32_t format, int32_t dpi,
                                     int32_t bitsPerPixel, int32_t firstPage, int32_t lastPage,
                                     ExportProgressProc progress) override {
        std::string hostFolder = HostFolder(folder);
        std::string ansiName = platform::ToSystemCodePage(name);
        return Call(main_.Function<ExportImgProc>("ExportIMG"), handle, hostFolder.c_str(),
                    ansiName.c_str(), format, dpi, bitsPerPixel, firstPage, lastPage, progress);
    }

    std::optional<int32_t> ExportTIF(int32_t handle, const std::string& folder,
                                     const std::string& name, int32_t xDpi, int32_t yDpi,
                                     int32_t firstPage, int32_t lastPage,
                                     ExportProgressProc progress, int32_t reserved1,
                                     int32_t reserved2) override {
        std::string hostFolder = HostFolder(folder);
        std::string ansiName = platform::ToSystemCodePage(name);
        return Call(tiff_.Function<ExportTifProc>("ExportTIF"), handle, hostFolder.c_str(),
                    ansiName.c_str(), xDpi, yDpi, firstPage, lastPage, progress, reserved1,
                    reserved2);
    }

    std::optional<int32_t> ClosePDF(int32_t handle) override {
        return Call(main_.Function<HandleProc>("ClosePDF"), handle);
    }

    std::optional<ExportReport> LastExport() override {
        auto lastExport =
            main_.Function<void(QUIREL_CALL*)(QuirelExportReport*)>("QuirelLastExport");
        if (lastExport == nullptr) return std::nullopt;
        ExportReport report{};
        lastExport(&report);
        return report;
    }

    std::optional<UnloadableLibrary> UnloadableMainLibrary() override {
        if (main_.Load()) return std::nullopt;
        return main_.Failure();
    }

  private:
    // The trailing separator, which the engine expects, is kept.
    static std::string HostFolder(const std::string& folder) {
        return platform::ToHostPath(folder);
    }

    LazyLibrary main_{kMainLibrary};
    LazyLibrary tiff_{kTiffLibrary};
};

}  // namespace

std::unique_ptr<PageEngine> NewQuirelEngine() { return std::make_unique<QuirelEngine>(); }

}  // namespace pagelift
