// The common dialogs behind properties, in the manner of a common-dialog control: set the
// properties, call a dialog method, read the properties it filled when it returns true. The
// object keeps its properties between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace common {

class CCommonDialogs {
  public:
    // Stores the window that owns every dialog.
    void Init(intptr_t ownerWindow);

    // These four return the stored text up to its first NUL character.
    std::string FileName() const;
    std::string FileTitle() const;
    std::string Path() const;
    std::string Title() const;
    void SetFileName(const std::string& value) { fileName_ = value; }
    void SetFileTitle(const std::string& value) { fileTitle_ = value; }
    void SetPath(const std::string& value) { path_ = value; }
    void SetTitle(const std::string& value) { title_ = value; }

    // Pairs "description|pattern|description|pattern".
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& value) { filter_ = value; }
    const std::string& DefExt() const { return defExt_; }
    void SetDefExt(const std::string& value) { defExt_ = value; }
    // 0x00BBGGRR.
    uint32_t Color() const { return color_; }
    void SetColor(uint32_t value) { color_ = value; }
    const platform::FontChoice& Font() const { return font_; }
    void SetFont(const platform::FontChoice& value) { font_ = value; }
    intptr_t OwnerWindow() const { return owner_; }

    // Each returns true when the user confirmed; on cancel no property changes.
    bool ShowOpen();
    // Part of the control's interface, which both programs share; neither program calls these.
    bool ShowSave();
    bool ShowFolder();
    bool ShowColor();
    bool ShowFont();
    // No printing on this platform: both report a dialog that could not be shown.
    bool ShowPrinter();
    bool ShowPrinterProperties();

  private:
    platform::FileDialogRequest FileRequest(const std::string& title, bool mustExist) const;
    void TakeChosenFile(const std::string& chosen);

    intptr_t owner_ = 0;
    std::string fileName_;
    std::string fileTitle_;
    std::string path_;
    std::string filter_;
    std::string title_;
    std::string defExt_;
    uint32_t color_ = 0;
    platform::FontChoice font_;
};

// The filter pairs of a "description|pattern|..." text; a description without a pattern is
// dropped.
std::vector<platform::FileFilter> ParseFilter(const std::string& filter);

}  // namespace common
