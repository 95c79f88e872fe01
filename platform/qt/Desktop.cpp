// The desktop services on Qt: message boxes, file and folder dialogs, colour and font choosers,
// shell "open", sound and beep, and yielding to the event loop. Every dialog opens over the
// owner window.
#include <QApplication>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "platform/Platform.h"
#include "platform/qt/Owner.h"
#include "platform/qt/QtText.h"

namespace platform {
namespace {

constexpr int kLongestSoundMilliseconds = 30000;

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// "PDF格式文件(*.pdf)" with "*.pdf" becomes a Qt filter; Qt reads the patterns from the
// parentheses at the end, so they are added when the description does not end with them.
QString QtFilter(const FileFilter& filter) {
    QString patterns = Q(filter.pattern).replace(';', ' ');
    QString description = Q(filter.description);
    if (description.endsWith("(" + patterns + ")")) return description;
    return description + " (" + patterns + ")";
}

QFileDialog* NewFileDialog(const FileDialogRequest& request) {
    auto* dialog = new QFileDialog(DialogOwner(), Q(request.title));
    QStringList filters;
    for (const auto& filter : request.filters) filters << QtFilter(filter);
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
        int index = std::clamp(request.selectedFilter, 0, int(filters.size()) - 1);
        dialog->selectNameFilter(filters[index]);
    }
    if (!request.defaultExtension.empty()) dialog->setDefaultSuffix(Q(request.defaultExtension));
    if (!request.initialFile.empty()) {
        QFileInfo initial(Q(ToHostPath(request.initialFile)));
        if (initial.dir().exists()) dialog->setDirectory(initial.dir());
        dialog->selectFile(initial.fileName());
    }
    return dialog;
}

std::optional<std::string> RunFileDialog(QFileDialog* dialog) {
    std::optional<std::string> chosen;
    if (ExecOverOwner(*dialog) == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        chosen = ToWindowsPath(S(dialog->selectedFiles().first()));
    }
    delete dialog;
    return chosen;
}

class QtDesktop : public Desktop {
  public:
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        QMessageBox box(ToQtIcon(icon), Q(title), Q(text), QMessageBox::Ok, DialogOwner());
        ExecOverOwner(box);
    }

    std::optional<std::string> OpenFile(const FileDialogRequest& request) override {
        QFileDialog* dialog = NewFileDialog(request);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        return RunFileDialog(dialog);
    }

    std::optional<std::string> SaveFile(const FileDialogRequest& request) override {
        QFileDialog* dialog = NewFileDialog(request);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        return RunFileDialog(dialog);
    }

    std::optional<std::string> BrowseFolder(const std::string& title) override {
        QFileDialog dialog(DialogOwner(), Q(title));
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (ExecOverOwner(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return ToWindowsPath(S(dialog.selectedFiles().first()));
    }

    std::optional<uint32_t> ChooseColor(uint32_t initial) override {
        QColor start(int(initial & 0xFF), int((initial >> 8) & 0xFF), int((initial >> 16) & 0xFF));
        QColorDialog dialog(start, DialogOwner());
        if (ExecOverOwner(dialog) != QDialog::Accepted) return std::nullopt;
        QColor chosen = dialog.selectedColor();
        return uint32_t(chosen.red()) | uint32_t(chosen.green()) << 8 |
               uint32_t(chosen.blue()) << 16;
    }

    std::optional<FontChoice> ChooseFont(const FontChoice& initial) override {
        QFont start(Q(initial.name));
        if (initial.size > 0) start.setPointSizeF(initial.size);
        start.setBold(initial.bold);
        start.setItalic(initial.italic);
        start.setUnderline(initial.underline);
        QFontDialog dialog(start, DialogOwner());
        if (ExecOverOwner(dialog) != QDialog::Accepted) return std::nullopt;
        QFont font = dialog.selectedFont();
        return FontChoice{S(font.family()), font.pointSizeF(), font.bold(), font.italic(),
                          font.underline()};
    }

    bool ShellOpen(const std::string& target) override {
        QString text = Q(target);
        bool isAddress = text.contains("://") || text.startsWith("www.", Qt::CaseInsensitive);
        if (isAddress) {
            return QDesktopServices::openUrl(QUrl::fromUserInput(text));
        }
        std::string host = ToHostPath(target);
        if (host.empty()) return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(host)));
    }

    bool StartDetached(const std::string& commandLine) override {
        return LaunchDetached(commandLine);
    }

    void PlaySoundFile(const std::string& path) override {
        std::string host = ToHostPath(path);
        if (host.empty() || !QFileInfo(Q(host)).isFile()) {
            QApplication::beep();
            return;
        }
        // Played to its end, as the caller expects: the sound marks the end of the work. A
        // sound device held by another program must not freeze the window for ever.
        QProcess player;
        player.start("aplay", {"-q", Q(host)});
        if (!player.waitForStarted()) {
            QApplication::beep();
            return;
        }
        if (!player.waitForFinished(kLongestSoundMilliseconds)) player.kill();
        player.waitForFinished();
    }

    void Beep() override { QApplication::beep(); }
};

Desktop* gInstalled = nullptr;

}  // namespace

Desktop& GetDesktop() {
    static QtDesktop qtDesktop;
    return gInstalled != nullptr ? *gInstalled : qtDesktop;
}

void SetDesktop(Desktop* desktop) { gInstalled = desktop; }

void Yield() {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

}  // namespace platform
