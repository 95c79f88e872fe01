#include "PdfLibrary.h"

#include <array>
#include <cstdlib>
#include <utility>

#include "platform/Platform.h"

namespace imbinder {

struct PdfLibrary::Functions {
    int32_t (*CreateBox)(intptr_t, int32_t);
    int32_t (*SetNumProp)(int32_t, int32_t, int32_t);
    int32_t (*SetStrProp)(int32_t, int32_t, const char*);
    int32_t (*BeginDoc)(int32_t);
    int32_t (*StretchDrawFromFile)(int32_t, int32_t, int32_t, int32_t, int32_t, const char*);
    int32_t (*DrawTextLayerFromFile)(int32_t, int32_t, int32_t, int32_t, int32_t, const char*);
    int32_t (*EndDoc)(int32_t);
    void (*FreeBox)(int32_t);
    int32_t (*GetErrorMsg)(char*);
};

namespace {

// Calls a function of the library when it has it.
template <typename Function, typename... Arguments>
std::optional<int32_t> CallIfThere(Function function, Arguments... arguments) {
    if (!function) return std::nullopt;
    return function(arguments...);
}

[[noreturn]] void EndAtOnce() { std::_Exit(EXIT_FAILURE); }

void (*gProgramEnd)() = &EndAtOnce;

}  // namespace

PdfLibrary::PdfLibrary(std::string dllName) : dllName_(std::move(dllName)) {}
PdfLibrary::~PdfLibrary() = default;

const PdfLibrary::Functions* PdfLibrary::Bound() {
    if (!tried_) {
        tried_ = true;
        library_ = platform::Library::Load(dllName_).library;
        if (library_) {
            const platform::Library& l = *library_;
            functions_ = std::make_unique<Functions>(Functions{
                l.Function<decltype(Functions::CreateBox)>("CreateBox"),
                l.Function<decltype(Functions::SetNumProp)>("SetNumProp"),
                l.Function<decltype(Functions::SetStrProp)>("SetStrProp"),
                l.Function<decltype(Functions::BeginDoc)>("BeginDoc"),
                l.Function<decltype(Functions::StretchDrawFromFile)>("StretchDrawFromFile"),
                l.Function<decltype(Functions::DrawTextLayerFromFile)>("DrawTextLayerFromFile"),
                l.Function<decltype(Functions::EndDoc)>("EndDoc"),
                l.Function<decltype(Functions::FreeBox)>("FreeBox"),
                l.Function<decltype(Functions::GetErrorMsg)>("GetErrorMsg"),
            });
        }
    }
    return functions_.get();
}

std::optional<int32_t> PdfLibrary::CreateBox(intptr_t ownerWindow, int32_t reserved) {
    const Functions* f = Bound();
    return f ? CallIfThere(f->CreateBox, ownerWindow, reserved) : std::nullopt;
}

std::optional<int32_t> PdfLibrary::SetNumProp(int32_t box, int32_t id, int32_t value) {
    const Functions* f = Bound();
    return f ? CallIfThere(f->SetNumProp, box, id, value) : std::nullopt;
}

std::optional<int32_t> PdfLibrary::SetStrProp(int32_t box, int32_t id, const std::string& text) {
    const Functions* f = Bound();
    if (!f) return std::nullopt;
    const std::string passed =
        id == kDocumentFileProperty ? platform::ToHostPath(text) : platform::ToSystemCodePage(text);
    return CallIfThere(f->SetStrProp, box, id, passed.c_str());
}

std::optional<int32_t> PdfLibrary::BeginDoc(int32_t box) {
    const Functions* f = Bound();
    return f ? CallIfThere(f->BeginDoc, box) : std::nullopt;
}

std::optional<int32_t> PdfLibrary::StretchDrawFromFile(int32_t box, int32_t x, int32_t y,
                                                       int32_t width, int32_t height,
                                                       const std::string& path) {
    const Functions* f = Bound();
    if (!f) return std::nullopt;
    const std::string host = platform::ToHostPath(path);
    return CallIfThere(f->StretchDrawFromFile, box, x, y, width, height, host.c_str());
}

std::optional<int32_t> PdfLibrary::DrawTextLayerFromFile(int32_t box, int32_t x, int32_t y,
                                                         int32_t width, int32_t height,
                                                         const std::string& path) {
    const Functions* f = Bound();
    if (!f) return std::nullopt;
    const std::string host = platform::ToHostPath(path);
    return CallIfThere(f->DrawTextLayerFromFile, box, x, y, width, height, host.c_str());
}

std::optional<int32_t> PdfLibrary::EndDoc(int32_t box) {
    const Functions* f = Bound();
    return f ? CallIfThere(f->EndDoc, box) : std::nullopt;
}

void PdfLibrary::FreeBox(int32_t box) {
    const Functions* f = Bound();
    if (f && f->FreeBox) f->FreeBox(box);
}

std::string PdfLibrary::GetErrorMsg() {
    const Functions* f = Bound();
    // One byte more than the library may write, so the text always ends.
    std::array<char, 256> buffer{};
    if (f && f->GetErrorMsg) f->GetErrorMsg(buffer.data());
    return platform::FromSystemCodePage(buffer.data());
}

void SetProgramEnd(void (*end)()) { gProgramEnd = end ? end : &EndAtOnce; }

bool CheckPdfResult(PdfLibrary& pdf, std::optional<int32_t> status) {
    if (status != PdfLibrary::kFailure) return true;
    platform::GetDesktop().ShowMessage(pdf.GetErrorMsg(), "PDF", platform::MessageIcon::Critical);
    gProgramEnd();
    return false;
}

bool SetNumPropChecked(PdfLibrary& pdf, int32_t box, int32_t id, int32_t value) {
    return CheckPdfResult(pdf, pdf.SetNumProp(box, id, value));
}

bool SetStrPropChecked(PdfLibrary& pdf, int32_t box, int32_t id, const std::string& text) {
    return CheckPdfResult(pdf, pdf.SetStrProp(box, id, text));
}

}  // namespace imbinder
