#include "Exporter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "DocumentTable.h"
#include "ExportPlan.h"
#include "Formats.h"
#include "PageRenderer.h"
#include "PageWatchdog.h"
#include "PendingFile.h"

namespace quirel {
namespace {

// Every worker holds a document with its cache (32 MB), a band (8 MB) and the encoder's
// buffers: four of them stay within 256 MB whatever the page size.
constexpr unsigned kMaxWorkers = 4;
constexpr int32_t kPending = INT32_MIN;
// While no page finishes, the caller's thread repeats the progress this often.
constexpr std::chrono::milliseconds kProgressInterval{100};

// Exports are called from one thread, as every entry point of the engine.
QuirelExportReport gLastExport{};

struct ExportRequest {
    std::string folder;
    const ImageFormat* format;
    int xDpi;
    int yDpi;
    PageRange range;
    ExportProgressProc progress;
};

class ExportRun {
  public:
    ExportRun(std::shared_ptr<OpenDocument> document, ExportRequest request)
        : document_(std::move(document)),
          request_(std::move(request)),
          total_(static_cast<size_t>(request_.range.count())),
          watchdog_(kMaxWorkers, CurrentPageTimeLimit()) {}

    QuirelExportReport run() {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const unsigned workers =
            static_cast<unsigned>(std::min<size_t>({cores, kMaxWorkers, total_}));
        activeWorkers_ = static_cast<int>(workers);
        std::vector<std::jthread> threads;
        threads.reserve(workers);
        unsigned started = 0;
        try {
            for (; started < workers; ++started) {
                if (started == 0)
                    threads.emplace_back([this] { work(*document_->pdf, 0); });
                else
                    threads.emplace_back([this, started] { workOnCopy(started); });
            }
        } catch (const std::system_error&) {
            // Out of threads: the workers that run take all pages. When none could start,
            // the caller's thread does the work itself before it reports.
            {
                std::lock_guard lock(mutex_);
                activeWorkers_ -= static_cast<int>(workers - std::max(started, 1u));
            }
            if (started == 0) work(*document_->pdf, 0);
        }
        return reportInOrder();
    }

  private:
    void workOnCopy(size_t slot) {
        std::unique_ptr<MupdfDocument> copy;
        try {
            copy = Reopen(*document_);
        } catch (const std::exception&) {
            // The other workers take the pages this one would have done.
        }
        if (copy)
            work(*copy, slot);
        else
            retire();
    }

    // Takes the next pages until none is left; slot is the worker's place in the watchdog.
    void work(const MupdfDocument& pdf, size_t slot) {
        BandMemory bands;
        for (;;) {
            const size_t ordinal = next_.fetch_add(1);
            if (ordinal >= total_ || stop_) break;
            const int32_t result = exportPage(pdf, static_cast<int>(ordinal), slot, bands);
            std::lock_guard lock(mutex_);
            finished_.emplace(ordinal, result);
            changed_.notify_all();
        }
        retire();
    }

    void retire() {
        std::lock_guard lock(mutex_);
        --activeWorkers_;
        changed_.notify_all();
    }

    // 1 when the page file was written, otherwise a negative QUIREL_* code. A page over its
    // time limit fails as a page that cannot be rendered.
    int32_t exportPage(const MupdfDocument& pdf, int ordinal, size_t slot, BandMemory& bands) {
        const std::string path =
            PageFilePath(request_.folder, ordinal + 1, request_.format->extension);
        struct Finish {
            PageWatchdog& watchdog;
            size_t slot;
            ~Finish() { watchdog.finish(slot); }
        } const finish{watchdog_, slot};
        try {
            PageRenderer renderer(pdf, request_.range.first - 1 + ordinal, request_.xDpi,
                                  request_.yDpi, watchdog_.start(slot));
            if (!Fits(*request_.format, renderer.geometry())) return QUIREL_PAGE_TOO_LARGE;
            writePage(renderer, path, slot, bands);
            return 1;
        } catch (const WriteError& error) {
            stop_ = true;  // a full disk stays full
            std::lock_guard lock(mutex_);
            if (!firstSystemError_) firstSystemError_ = error.systemError();
            return QUIREL_WRITE_ERROR;
        } catch (const PageTooLarge&) {
            return QUIREL_PAGE_TOO_LARGE;
        } catch (const std::exception&) {
            return QUIREL_RENDER_ERROR;
        }
    }

    // The page is written under a temporary name and renamed into place when complete: half
    // a page never passes for a whole one, and a failed write leaves an older file intact.
    void writePage(PageRenderer& renderer, const std::string& path, size_t slot,
                   BandMemory& bands) {
        PendingFile file(path);
        {
            const PageGeometry& page = renderer.geometry();
            std::unique_ptr<PageEncoder> encoder = request_.format->newEncoder(file.path(), page);
            watchdog_.allow(slot, static_cast<uint64_t>(page.width) *
                                      static_cast<uint64_t>(page.height) *
                                      static_cast<uint64_t>(encoder->passCount()));
            renderer.render(*encoder, bands);
            encoder->finish();
        }  // closed before the rename
        file.commit();
    }

    // Every page of the range is reported once, in order, whether it was written, failed, or
    // was never started because a write error stopped the export: done reaches the total.
    // A page's file keeps its position in the range as its number, so a failed page leaves a
    // gap. Files that other workers completed after a write error stay and are counted.
    QuirelExportReport reportInOrder() {
        QuirelExportReport summary{static_cast<int32_t>(total_), 0, 0, 0};
        for (int32_t done = 1; done <= summary.pages; ++done) {
            const int32_t result = awaitPage(static_cast<size_t>(done - 1), done - 1);
            if (result == 1)
                ++summary.written;
            else if (!summary.failure)
                summary.failure = result == kPending ? QUIREL_WRITE_ERROR : result;
            report(done);
        }
        std::lock_guard lock(mutex_);
        summary.systemError = firstSystemError_;
        return summary;
    }

    // The page's result, or kPending when no worker is left to produce it. While it waits,
    // the caller's thread holds the pages to their time limits and repeats the count of pages
    // done so far, so the window stays live.
    int32_t awaitPage(size_t ordinal, int32_t doneSoFar) {
        std::unique_lock lock(mutex_);
        auto tick = std::chrono::steady_clock::now() + kProgressInterval;
        for (;;) {
            if (const auto it = finished_.find(ordinal); it != finished_.end()) {
                const int32_t result = it->second;
                finished_.erase(it);
                return result;
            }
            if (activeWorkers_ == 0) return kPending;
            if (changed_.wait_until(lock, tick) == std::cv_status::timeout) {
                watchdog_.abortOverdue();
                lock.unlock();
                report(doneSoFar);
                lock.lock();
                tick = std::chrono::steady_clock::now() + kProgressInterval;
            }
        }
    }

    void report(int32_t done) const {
        if (request_.progress) request_.progress(request_.range.first, request_.range.last, done);
    }

    std::shared_ptr<OpenDocument> document_;
    const ExportRequest request_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const size_t total_;
    // Results of the pages finished and not yet reported; only pages that exist get one.
    std::map<size_t, int32_t> finished_;
    PageWatchdog watchdog_;
    int activeWorkers_ = 0;
    std::atomic<size_t> next_{0};
    std::atomic<bool> stop_{false};
    int firstSystemError_ = 0;  // of the first WriteError, under mutex_
};

}  // namespace

QuirelExportReport LastExport() { return gLastExport; }

int32_t RecordRefusal(int32_t code, int systemError) {
    gLastExport = {0, 0, code, systemError};
    return code;
}

int32_t ExportPages(int32_t handle, const char* folder, int32_t format, int32_t xDpi, int32_t yDpi,
                    int32_t firstPage, int32_t lastPage, ExportProgressProc progress) {
    gLastExport = {};
    std::shared_ptr<OpenDocument> document = DocumentTable::Instance().find(handle);
    if (!document) return RecordRefusal(QUIREL_UNKNOWN_HANDLE, 0);
    const ImageFormat* imageFormat = FindFormat(format);
    if (!imageFormat || xDpi < 1 || yDpi < 1 || xDpi > kMaxDpi || yDpi > kMaxDpi || !folder ||
        !*folder)
        return RecordRefusal(QUIREL_BAD_ARGUMENT, 0);
    const PageRange range = ClampPageRange(firstPage, lastPage, document->pageCount);
    if (range.count() == 0) return 0;
    if (const int folderError = EnsureFolder(folder); folderError != 0)
        return RecordRefusal(QUIREL_FOLDER_ERROR, folderError);
    ExportRequest request{folder, imageFormat, xDpi, yDpi, range, progress};
    gLastExport = ExportRun(std::move(document), std::move(request)).run();
    const QuirelExportReport& report = gLastExport;
    return report.written > 0 || !report.failure ? report.written : report.failure;
}

}  // namespace quirel
