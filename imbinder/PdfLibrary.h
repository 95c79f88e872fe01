// The binding of the PDF writer library "pdfctl32.dll", loaded by name at the first call.
// Paths given to it become host paths, other texts the system code page. A call that cannot
// be made (the library or the function is missing) gives no status at all, so the build
// skips that step as it skips any failed step.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {
class Library;
}

namespace imbinder {

class PdfLibrary {
  public:
    static constexpr int32_t kFailure = -1;
    static constexpr int32_t kDocumentFileProperty = 10;  // its text is a path

    explicit PdfLibrary(std::string dllName = "pdfctl32.dll");
    ~PdfLibrary();
    PdfLibrary(const PdfLibrary&) = delete;
    PdfLibrary& operator=(const PdfLibrary&) = delete;

    std::optional<int32_t> CreateBox(intptr_t ownerWindow, int32_t reserved);
    std::optional<int32_t> SetNumProp(int32_t box, int32_t id, int32_t value);
    // text is UTF-8; for the document file property it is a Windows-form path.
    std::optional<int32_t> SetStrProp(int32_t box, int32_t id, const std::string& text);
    std::optional<int32_t> BeginDoc(int32_t box);
    // path is a Windows-form path.
    std::optional<int32_t> StretchDrawFromFile(int32_t box, int32_t x, int32_t y, int32_t width,
                                               int32_t height, const std::string& path);
    // The recognized text of the picture in the same rectangle, invisible under it; path is a
    // Windows-form path of a recognition file. Libraries without the call give no status.
    std::optional<int32_t> DrawTextLayerFromFile(int32_t box, int32_t x, int32_t y, int32_t width,
                                                 int32_t height, const std::string& path);
    std::optional<int32_t> EndDoc(int32_t box);
    void FreeBox(int32_t box);
    // The text of the library's last failure, as UTF-8.
    std::string GetErrorMsg();

  private:
    struct Functions;
    const Functions* Bound();

    std::string dllName_;
    bool tried_ = false;
    std::unique_ptr<platform::Library> library_;
    std::unique_ptr<Functions> functions_;
};

// How CheckPdfResult ends the whole program: at once, unless a test installed its own ending
// (nullptr restores the real one).
void SetProgramEnd(void (*end)());

// A status of exactly -1 shows the library's text in a message box titled "PDF" and ends the
// program. Returns false for that failure; true for success and for a call not made.
bool CheckPdfResult(PdfLibrary& pdf, std::optional<int32_t> status);
bool SetNumPropChecked(PdfLibrary& pdf, int32_t box, int32_t id, int32_t value);
bool SetStrPropChecked(PdfLibrary& pdf, int32_t box, int32_t id, const std::string& text);

}  // namespace imbinder
