// The scaffolding both main windows are built from: the product's year and guide, the client
// area, labels,
// buttons, the progress bar, toolbar buttons, the menu bar, the tab order, the list box a folder
// search fills, and the skin.
#pragma once

#include <QKeySequence>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileSearch.h"

class QLabel;
class QListWidget;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QToolButton;
class QWidget;

namespace platform {
class Library;
}

namespace windows {

inline constexpr int kProductYear = 2026;

// The texts the shared parts show, in both windows.
namespace texts {
inline constexpr const char* kProgressBarName = "转换进度";
}

// The user guide of both programs beside them, as an address the shell opens; a part names
// one program's section.
std::string GuideAddress(std::string_view part = {});

// Names the main window, gives it the program's font and a client area of a fixed size, which
// the window's controls are placed on.
QWidget* NewClientArea(QMainWindow* window, const char* name, int widthTwips, int heightTwips);

QLabel* NewLabel(QWidget* parent, const char* name, const char* text, QRect geometry);

// A push button a screen reader names by spokenName, or by its caption when none is given.
QPushButton* NewButton(QWidget* parent, const char* name, const char* caption, QRect geometry,
                       const char* spokenName = nullptr);

// The progress bar of a window's run, "pb"; it shows no text of its own, a label tells the step.
QProgressBar* NewProgressBar(QWidget* parent, QRect geometry);

// Toolbar button index of a window: its caption under its picture, reached by Tab, named for
// a screen reader by its caption.
QToolButton* NewToolbarButton(QWidget* parent, int index, const char* caption,
                              const QString& picture, int leftTwips);

struct MenuItem {
    const char* menuName;  // the menu's object name; empty: none
    const char* menu;      // the menu's caption, which also tells the menus apart
    const char* name;      // the item's object name; empty: a separator
    const char* caption;
    std::function<void()> command;
    QKeySequence shortcut;
};

// Fills the window's menu bar: a menu for each caption in the order they first come, the items
// in the order given.
void BuildMenuBar(QMainWindow* window, const std::vector<MenuItem>& items);

// Tab leads from each widget to the next, in the order given.
void ChainTabOrder(const std::vector<QWidget*>& order);

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
