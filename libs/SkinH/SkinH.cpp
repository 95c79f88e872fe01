#include "SkinH.h"

#include <QApplication>
#include <QWidget>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/Host.h"

namespace {

constexpr int kNoApplication = 1;
constexpr int kNoSheet = 2;
constexpr int kNotAttached = 1;
constexpr int kRejected = -1;

// The style sheet the application had before the skin; set while the skin is attached.
std::optional<QString> previousSheet;

// The sheet lies beside this library, wherever the program folder is.
std::string SheetPath() {
    const std::string folder = platform::ThisModuleFolder();
    return folder.empty() ? std::string() : folder + "/skin.qss";
}

// Reads the sheet by the bytes of its path, so a folder name in any encoding is found.
std::optional<QString> ReadSheet() {
    std::string path = SheetPath();
    if (path.empty()) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return std::nullopt;
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsTopLevelWindow(intptr_t window) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (reinterpret_cast<intptr_t>(widget) == window) return true;
        if (widget->internalWinId() != 0 &&
            static_cast<intptr_t>(widget->internalWinId()) == window)
            return true;
    }
    return false;
}

bool IsByte(int value) { return value >= 0 && value <= 255; }

}  // namespace

int SkinH_Attach() {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr) return kNoApplication;
    std::optional<QString> sheet = ReadSheet();
    if (!sheet) return kNoSheet;
    if (!previousSheet) previousSheet = application->styleSheet();
    application->setStyleSheet(*sheet);
    return 0;
}

int SkinH_Detach() {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr || !previousSheet) return kNotAttached;
    application->setStyleSheet(*previousSheet);
    previousSheet.reset();
    return 0;
}

int SkinH_Aero(intptr_t window) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return kRejected;
    return IsTopLevelWindow(window) ? 0 : kRejected;
}

int SkinH_Aero_Adjust(int alpha, int /*shadowDark*/, int /*shadowSharp*/, int /*shadowSize*/,
                      int /*x*/, int /*y*/, int red, int green, int blue) {
    return IsByte(alpha) && IsByte(red) && IsByte(green) && IsByte(blue) ? 0 : kRejected;
}
