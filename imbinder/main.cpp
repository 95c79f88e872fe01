// imbinder: an ordered list of images in, one PDF document out.
#include <QApplication>
#include <cstdlib>

#include "frmPrinting.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The dock and the task switcher show the desktop entry's icon; the window has none.
    QGuiApplication::setDesktopFileName("org.example.imbinder");
    const std::vector<std::string> files = platform::CommandLinePaths(argc, argv);
    imbinder::frmPrinting window;
    // Closing ends the program at once, also in the middle of a build: a pdftk run already
    // started finishes on its own.
    window.endProgram = [] { std::_Exit(0); };
    window.show();
    if (!files.empty()) window.OpenFiles(files);
    return app.exec();
}
