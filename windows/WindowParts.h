// The scaffolding both main windows are built from: the product's year and guide, labels,
// toolbar buttons, the list box a folder search fills, and the skin.
#pragma once

#include <QRect>
#include <QString>
#include <memory>
#include <string>
#include <string_view>

#include "common/FileSearch.h"

class QLabel;
class QListWidget;
class QToolButton;
class QWidget;

namespace platform {
class Library;
}

namespace windows {

inline constexpr int kProductYear = 2026;

// The user guide of both programs beside them, as an address the shell opens; a part names
// one program's section.
std::string GuideAddress(std::string_view part = {});

QLabel* NewLabel(QWidget* parent, const char* name, const char* text, QRect geometry);

// Toolbar button index of a window: its caption under its picture, reached by Tab, named for
// a screen reader by its caption.
QToolButton* NewToolbarButton(QWidget* parent, int index, const char* caption,
                              const QString& picture, int leftTwips);

// The folder search appends straight to a list box.
class ListBoxResults : public common::ResultList {
  public:
    explicit ListBoxResults(QListWidget* list) : list_(list) {}
    void AddItem(const std::string& text) override;

  private:
    QListWidget* list_;
};

// Loads the skin engine and attaches it; it stays loaded for the program's life, as it owns
// the look of every window. Nothing when the library is missing.
std::unique_ptr<platform::Library> AttachSkin();

}  // namespace windows
