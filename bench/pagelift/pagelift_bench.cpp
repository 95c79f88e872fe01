// Benchmark driver: converts documents through the pagelift window (offscreen, real engine)
// and through the engine's own C functions in the same process, and prints both rates.
//   pagelift_bench <png|jpeg> <dpi> <pages per document> <work folder> <pdf>...
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "QuietDesktop.h"
#include "libs/Quirel/Quirel.h"
#include "pagelift/frmConverter.h"
#include "platform/Platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

size_t CountFiles(const fs::path& folder) {
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files += entry.is_regular_file();
    return files;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Rate {
    size_t pages = 0;
    double seconds = 0;
    double perSecond() const { return seconds > 0 ? pages / seconds : 0; }
};

Rate ExportWithEngine(const std::vector<std::string>& pdfs, int format, int dpi, int pages,
                      const fs::path& out) {
    fs::create_directories(out);
    auto start = Clock::now();
    for (size_t i = 0; i < pdfs.size(); ++i) {
        int handle = OpenPDF(pdfs[i].c_str(), "");
        int last = std::min(pages, GetPageNum(handle));
        std::string folder = (out / std::to_string(i)).string() + "/";
        ExportIMG(handle, folder.c_str(), "", format, dpi, 24, 1, last, nullptr);
        ClosePDF(handle);
    }
    return {CountFiles(out), SecondsSince(start)};
}

Rate ConvertThroughWindow(const std::vector<std::string>& pdfs, int formatIndex, int dpi, int pages,
                          const fs::path& out) {
    pagelift::frmConverter window(pagelift::NewQuirelEngine());
    window.txtPath->setText(QString::fromStdString(platform::ToWindowsPath(out.string())));
    window.cmbOF->setCurrentIndex(formatIndex);
    window.LV2->topLevelItem(1)->setText(1, QString::number(pages));
    window.LV2->topLevelItem(2)->setText(1, QString::number(dpi));
    std::vector<std::string> documents;
    for (const std::string& pdf : pdfs) documents.push_back(platform::ToWindowsPath(pdf));
    window.DropFiles(documents, false);
    window.show();
    auto start = Clock::now();
    window.RunConversion();
    double seconds = SecondsSince(start);
    return {CountFiles(out), seconds};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: pagelift_bench <png|jpeg> DPI PAGES WORK PDF...\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::QuietDesktop desktop;
    platform::SetDesktop(&desktop);
    bool png = std::string(argv[1]) == "png";
    int dpi = std::atoi(argv[2]);
    int pages = std::atoi(argv[3]);
    fs::path work = argv[4];
    platform::SetCDriveRoot((work / "drive_c").string());
    std::vector<std::string> pdfs(argv + 5, argv + argc);

    Rate engine, window;
    for (int round = 0; round < 3; ++round) {
        fs::path out = work / ("round" + std::to_string(round));
        Rate e = ExportWithEngine(pdfs, png ? QUIREL_PNG : QUIREL_JPEG, dpi, pages, out / "engine");
        Rate w = ConvertThroughWindow(pdfs, png ? 3 : 0, dpi, pages, out / "window");
        if (e.perSecond() > engine.perSecond()) engine = e;
        if (w.perSecond() > window.perSecond()) window = w;
        fs::remove_all(out);
    }
    std::printf("engine=%.1f window=%.1f pages=%zu\n", engine.perSecond(), window.perSecond(),
                window.pages);
    return 0;
}
