// Benchmark driver: builds one searchable PDF from the given images through the imbinder window
// (offscreen, recognition ticked, with the real decoder and recognizer helpers, PDF writer and
// pdftk) and prints the result's path. Its caller times it and measures its memory.
//   ocr_bench <work folder> <program folder> <quality> <image>...
// The images lie under <work folder>/drive_c, which becomes drive C.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "QuietDesktop.h"
#include "frmPrinting.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: ocr_bench WORK PROGRAM-FOLDER QUALITY IMAGE...\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::QuietDesktop desktop;
    platform::SetDesktop(&desktop);
    const fs::path driveC = fs::path(argv[1]) / "drive_c";
    platform::SetCDriveRoot(driveC.string());
    platform::SetProgramFolder(argv[2]);
    const int quality = std::atoi(argv[3]);
    const std::vector<std::string> images(argv + 4, argv + argc);

    imbinder::frmPrinting window;
    window.endProgram = [] {};
    window.txtPath->setText("C:\\output");
    window.Slider1->setValue(quality);
    window.chkRecognize->setChecked(true);
    std::vector<std::string> dropped;
    for (const std::string& image : images) dropped.push_back(platform::ToWindowsPath(image));
    window.DropFiles(dropped, false);
    if (static_cast<size_t>(window.List1->count()) != images.size()) {
        std::fprintf(stderr, "the list took %d of %zu images\n", window.List1->count(),
                     images.size());
        return 1;
    }
    window.show();
    window.Command3->click();

    std::error_code error;
    fs::path result;
    for (const auto& entry : fs::directory_iterator(driveC / "output", error))
        if (entry.path().extension() == ".pdf") result = entry.path();
    if (result.empty()) {
        std::fprintf(stderr, "the build left no result\n");
        return 1;
    }
    std::printf("%s\n", result.c_str());
    return 0;
}
