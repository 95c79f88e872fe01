// Benchmark driver: builds one PDF from the given images through the imbinder window
// (offscreen, real decoder helper, PDF writer and pdftk), times its stages from the files they
// leave behind, and measures FreeImage decoding plus JPEG encoding of each image alone.
//   imbinder_bench <work folder> <program folder> <quality> <image>...
// The images lie under <work folder>/drive_c, which becomes drive C.
#include <FreeImage.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "QuietDesktop.h"
#include "frmPrinting.h"
#include "platform/Platform.h"

namespace {

namespace fs = std::filesystem;
using FileTime = fs::file_time_type;
using Clock = FileTime::clock;

double Seconds(FileTime from, FileTime to) {
    return std::chrono::duration<double>(to - from).count();
}

// The last write time and size of a working file the build removes before it ends, as seen
// at the latest look while it still existed.
struct Seen {
    std::optional<FileTime> written;
    uintmax_t bytes = 0;
    void Look(const fs::path& file) {
        std::error_code error;
        const FileTime time = fs::last_write_time(file, error);
        if (error) return;
        const uintmax_t size = fs::file_size(file, error);
        if (error) return;
        written = time;
        bytes = size;
    }
};

// Watches the page files, the chain files and the merged file while the build yields.
class BuildWatch {
  public:
    BuildWatch(const fs::path& driveC, size_t images)
        : drive_(driveC), pages_(images), chain_(images + 1) {}
    void Look() {
        for (size_t i = 0; i < pages_.size(); ++i)
            pages_[i].Look(drive_ / "jpgtmp" / (std::to_string(i) + ".pdf"));
        for (size_t k = 1; k < chain_.size(); ++k)
            chain_[k].Look(drive_ / "tmp" / ("tmp" + std::to_string(k) + ".pdf"));
        merged_.Look(drive_ / "tmp" / "tmpx.pdf");
    }
    const std::vector<Seen>& pages() const { return pages_; }
    const std::vector<Seen>& chain() const { return chain_; }
    const Seen& merged() const { return merged_; }

  private:
    fs::path drive_;
    std::vector<Seen> pages_;
    std::vector<Seen> chain_;  // from 1
    Seen merged_;
};

// FreeImage's decoding of the image plus its JPEG encoding at that quality, in seconds.
double DecodeAndEncode(const std::string& image, const fs::path& out, int quality) {
    const auto start = Clock::now();
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(image.c_str(), 0);
    FIBITMAP* bitmap = FreeImage_Load(format, image.c_str(), 0);
    if (bitmap == nullptr) return -1;
    const bool saved = FreeImage_Save(FIF_JPEG, bitmap, out.c_str(), quality);
    FreeImage_Unload(bitmap);
    return saved ? Seconds(start, Clock::now()) : -1;
}

// The peak resident size of this process, in MB.
double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

const char* Verdict(bool met) { return met ? "met" : "not met"; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: imbinder_bench WORK PROGRAM-FOLDER QUALITY IMAGE...\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::QuietDesktop desktop;
    platform::SetDesktop(&desktop);
    const fs::path work = argv[1];
    const fs::path driveC = work / "drive_c";
    platform::SetCDriveRoot(driveC.string());
    platform::SetProgramFolder(argv[2]);
    const int quality = std::atoi(argv[3]);
    const std::vector<std::string> images(argv + 4, argv + argc);
    const size_t n = images.size();

    imbinder::frmPrinting window;
    window.endProgram = [] {};
    window.txtPath->setText("C:\\output");
    window.Slider1->setValue(quality);
    std::vector<std::string> dropped;
    for (const std::string& image : images) dropped.push_back(platform::ToWindowsPath(image));
    window.DropFiles(dropped, false);
    if (static_cast<size_t>(window.List1->count()) != n) {
        std::fprintf(stderr, "the list took %d of %zu images\n", window.List1->count(), n);
        return 1;
    }
    window.show();

    BuildWatch watch(driveC, n);
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&watch] { watch.Look(); });
    look.start(5);
    const FileTime start = Clock::now();
    window.Command3->click();
    const FileTime end = Clock::now();
    look.stop();
    const double peak = PeakMegabytes();

    fs::path result;
    for (const auto& entry : fs::directory_iterator(driveC / "output"))
        if (entry.path().extension() == ".pdf") result = entry.path();
    const auto& pages = watch.pages();
    const auto& chain = watch.chain();
    bool complete = !result.empty() && chain[n].written;
    for (const Seen& page : pages) complete = complete && page.written;
    for (size_t k = 1; k <= n; ++k) complete = complete && chain[k].written;
    if (!complete) {
        std::fprintf(stderr, "the build left no result or the watch missed a working file\n");
        return 1;
    }
    // The merged file lives only for an instant; the result is its copy.
    const FileTime merged = watch.merged().written.value_or(fs::last_write_time(result));

    // Each page step ends with its page file; the first starts with the click.
    std::vector<double> stepPhoto, stepScan, refPhoto, refScan, ratioPhoto, ratioScan;
    const fs::path reference = work / "reference.jpg";
    for (size_t i = 0; i < n; ++i) {
        const double step = Seconds(i == 0 ? start : *pages[i - 1].written, *pages[i].written);
        const double alone = DecodeAndEncode(images[i], reference, quality);
        if (alone <= 0) {
            std::fprintf(stderr, "FreeImage could not convert %s\n", images[i].c_str());
            return 1;
        }
        const bool photo = fs::path(images[i]).extension() == ".jpg";
        (photo ? stepPhoto : stepScan).push_back(step);
        (photo ? refPhoto : refScan).push_back(alone);
        (photo ? ratioPhoto : ratioScan).push_back(step / alone);
    }
    fs::remove(reference);

    // A chain run's cost as a fixed part plus a part for each byte it rewrites: the least
    // squares line through (bytes written, seconds) of every run.
    double runsTotal = 0, sumX = 0, sumY = 0, sumXX = 0, sumXY = 0;
    for (size_t k = 1; k < n; ++k) {
        const double run = Seconds(*chain[k].written, *chain[k + 1].written);
        const double megabytes = chain[k + 1].bytes / 1048576.0;
        runsTotal += run;
        sumX += megabytes;
        sumY += run;
        sumXX += megabytes * megabytes;
        sumXY += megabytes * run;
    }
    const double runs = static_cast<double>(n - 1);
    const double spread = runs * sumXX - sumX * sumX;
    const double perMegabyte = spread > 0 ? (runs * sumXY - sumX * sumY) / spread : 0;
    const double fixedPerRun = runs > 0 ? (sumY - perMegabyte * sumX) / runs : 0;

    const double pageStage = Seconds(start, *pages[n - 1].written);
    const double chainStage = Seconds(*pages[n - 1].written, *chain[n].written);
    const double infoRun = Seconds(*chain[n].written, merged);
    std::printf("build (%zu images, quality %d): %.2f s, result %.1f MB\n", n, quality,
                Seconds(start, end), fs::file_size(result) / 1048576.0);
    std::printf("  page files     %7.2f s\n", pageStage);
    std::printf("  merge chain    %7.2f s  (%zu runs, %.3f s a run)\n", chainStage, n - 1,
                n > 1 ? runsTotal / (n - 1) : 0.0);
    std::printf("  information    %7.2f s\n", infoRun);
    std::printf("  rest           %7.2f s  (delivery, clean-up)\n", Seconds(merged, end));
    auto kind = [](const char* name, const std::vector<double>& steps,
                   const std::vector<double>& alone, const std::vector<double>& ratios) {
        if (steps.empty()) return;
        const auto worst = std::max_element(ratios.begin(), ratios.end());
        std::printf(
            "  %-6s page step median %.3f s, FreeImage decode + JPEG encode alone %.3f s:"
            " ratio median %.2f, worst %.2f (its image %td) (goal 1.30: %s)\n",
            name, Median(steps), Median(alone), Median(ratios), *worst, worst - ratios.begin() + 1,
            Verdict(*worst <= 1.3));
    };
    kind("photos", stepPhoto, refPhoto, ratioPhoto);
    kind("scans", stepScan, refScan, ratioScan);
    if (n > 2) {
        std::printf(
            "  merge run: %.3f s fixed + %.1f ms a MB rewritten (%.0f MB/s), from %zu runs"
            " (goal fixed part at most 0.25 s: %s)\n",
            fixedPerRun, perMegabyte * 1000, perMegabyte > 0 ? 1 / perMegabyte : 0.0, n - 1,
            Verdict(fixedPerRun <= 0.25));
    }
    std::printf("  peak memory of the program %.0f MB (goal under 400 MB: %s)\n", peak,
                Verdict(peak < 400));
    return 0;
}
