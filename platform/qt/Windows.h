// The services of the windows that need Qt types: modal windows that tests can answer, and the
// files of a drop.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QDialog;
class QEvent;
class QMimeData;
class QWidget;

namespace platform {

// Shows the dialog modally over the owner window and returns its result code, as exec() does.
int ShowModal(QDialog& dialog);

// Answers modal windows instead of showing them (tests): the handler acts on the dialog as the
// user would (types, clicks) and returns its result code. Empty restores the real showing.
using ModalHandler = std::function<int(QDialog& dialog)>;
void SetModalHandler(ModalHandler handler);

// The files of dropped data ("text/uri-list"), in drop order, in Windows form; folders and
// addresses that are not local files are left out. A name that does not exist (any more) is
// kept: names are taken without checking them, as when typed, and the file manager offers
// only files that exist. The name's bytes are taken as they are, never re-encoded.
std::vector<std::string> DroppedFiles(const QMimeData& data);

// A file (Windows form) as a "file:" address of its host name, every byte that is not a
// letter, a digit, "/" or one of "-._~" escaped, as a drop carries it: one line of text for
// any name, a line break in it included.
std::string FileAddress(std::string_view windowsPath);
// The Windows-form path of a "file:" address of this machine; nothing for any other text.
std::optional<std::string> FileOfAddress(std::string_view address);

// The drag and drop events of a widget that takes dropped files: a drag of files is taken as
// a copy while accepting is true, and a drop hands its files (DroppedFiles) to onDrop. True
// when the event was one of them and is handled.
bool HandleFileDrop(QEvent& event, bool accepting,
                    const std::function<void(const std::vector<std::string>& files)>& onDrop);

// A panel laid over part of its window (a welcome picture) goes away when the keyboard focus
// moves to a control whose middle it covers, so the focus never rests where nobody sees it.
void HideWhenFocusGoesUnder(QWidget* panel);

}  // namespace platform
