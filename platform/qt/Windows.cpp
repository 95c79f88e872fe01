// The owner window, modal windows that tests can answer, and the files of a drop.
#include "platform/qt/Windows.h"

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "platform/Platform.h"
#include "platform/qt/Owner.h"

namespace platform {
namespace {

QPointer<QWidget> gOwner;
ModalHandler gModalHandler;

// The host path of one "text/uri-list" entry when it names a file on this machine: "file:"
// with no host or "localhost", its percent escapes decoded to the bytes of the name.
std::optional<std::string> LocalFilePath(QByteArray entry) {
    entry = entry.trimmed();
    if (entry.isEmpty() || entry.startsWith('#')) return std::nullopt;  // a comment
    if (!entry.toLower().startsWith("file:")) return std::nullopt;
    QByteArray rest = entry.mid(5);
    if (rest.startsWith("//")) {
        qsizetype slash = rest.indexOf('/', 2);
        if (slash < 0) return std::nullopt;
        QByteArray host = rest.mid(2, slash - 2).toLower();
        if (!host.isEmpty() && host != "localhost") return std::nullopt;
        rest = rest.mid(slash);
    }
    if (!rest.startsWith('/')) return std::nullopt;
    QByteArray path = QByteArray::fromPercentEncoding(rest);
    if (path.contains('\0')) return std::nullopt;
    return path.toStdString();
}

}  // namespace

void SetOwnerWindow(intptr_t window) { gOwner = reinterpret_cast<QWidget*>(window); }

intptr_t OwnerWindow() { return reinterpret_cast<intptr_t>(gOwner.data()); }

QWidget* DialogOwner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (gOwner != nullptr) return gOwner;
    return QApplication::activeWindow();
}

int ExecOverOwner(QDialog& dialog) {
    bool lent = false;
    if (dialog.parentWidget() == nullptr) {
        QWidget* owner = DialogOwner();
        if (owner != nullptr && owner != &dialog) {
            dialog.setParent(owner, dialog.windowFlags());
            lent = true;
        }
    }
    // A request that came while another program was active (a command from the socket) must
    // not open behind it.
    QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.raise();
        dialog.activateWindow();
    });
    int result = dialog.exec();
    if (lent) dialog.setParent(nullptr, dialog.windowFlags());
    return result;
}

int ShowModal(QDialog& dialog) {
    if (gModalHandler) return gModalHandler(dialog);
    return ExecOverOwner(dialog);
}

void SetModalHandler(ModalHandler handler) { gModalHandler = std::move(handler); }

std::vector<std::string> DroppedFiles(const QMimeData& data) {
    std::vector<std::string> files;
    for (const QByteArray& entry : data.data("text/uri-list").split('\n')) {
        std::optional<std::string> host = LocalFilePath(entry);
        if (!host) continue;
        std::string path = ToWindowsPath(*host);
        if (!path.empty() && !IsFolder(path)) files.push_back(path);
    }
    return files;
}

std::string FileAddress(std::string_view windowsPath) {
    const std::string host = ToHostPath(windowsPath);
    return "file://" + QByteArray::fromRawData(host.data(), static_cast<qsizetype>(host.size()))
                           .toPercentEncoding("/")
                           .toStdString();
}

std::optional<std::string> FileOfAddress(std::string_view address) {
    const std::optional<std::string> host =
        LocalFilePath(QByteArray(address.data(), static_cast<qsizetype>(address.size())));
    if (!host) return std::nullopt;
    std::string path = ToWindowsPath(*host);
    if (path.empty()) return std::nullopt;
    return path;
}

bool HandleFileDrop(QEvent& event, bool accepting,
                    const std::function<void(const std::vector<std::string>& files)>& onDrop) {
    if (event.type() == QEvent::DragEnter || event.type() == QEvent::DragMove) {
        auto& drag = static_cast<QDragMoveEvent&>(event);
        if (accepting && drag.mimeData()->hasUrls()) {
            drag.setDropAction(Qt::CopyAction);
            drag.accept();
        } else {
            drag.ignore();
        }
        return true;
    }
    if (event.type() == QEvent::Drop) {
        auto& drop = static_cast<QDropEvent&>(event);
        drop.setDropAction(Qt::CopyAction);
        drop.accept();
        onDrop(DroppedFiles(*drop.mimeData()));
        return true;
    }
    return false;
}

void HideWhenFocusGoesUnder(QWidget* panel) {
    QObject::connect(qApp, &QApplication::focusChanged, panel, [panel](QWidget*, QWidget* now) {
        if (now == nullptr || !panel->isVisible() || now == panel || panel->isAncestorOf(now) ||
            now->window() != panel->window()) {
            return;
        }
        const QRect covered(panel->mapTo(panel->window(), QPoint()), panel->size());
        if (covered.contains(now->mapTo(now->window(), now->rect().center()))) panel->hide();
    });
}

}  // namespace platform
