// The exported calls: a table of boxes by handle, the last failure's text, and the unit
// conversion between the caller's tenths of a millimetre and the document's points.
#include "pdfctl32.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "DecodeFaults.h"
#include "JpegEncoder.h"
#include "LayerFiles.h"
#include "Messages.h"
#include "PageDocument.h"
#include "Properties.h"
#include "platform/Host.h"

namespace pdfctl32 {
namespace {

constexpr int32_t kFailure = -1;
constexpr int32_t kSuccess = 0;
constexpr size_t kErrorBufferSize = 255;
constexpr double kPointsPerUnit = 72.0 / 254.0;  // a unit is a tenth of a millimetre

struct Box {
    Properties properties;
    std::unique_ptr<PageDocument> document;
};

std::mutex gMutex;  // guards everything below
std::map<int32_t, Box> gBoxes;
int32_t gLastHandle = 0;
std::string gLastError;

int32_t Fail(std::string text) {
    // The caller reads the text in the system code page, as its platform layer does.
    gLastError = platform::ToSystemCodePage(text);
    return kFailure;
}

int32_t Report(platform::Outcome outcome) {
    return outcome.error.empty() ? kSuccess : Fail(std::move(outcome.error));
}

std::string UnknownBox(int32_t box) {
    return decoding::Fill(messages::kNoBox, {std::to_string(box)});
}

double ToPoints(int32_t units) { return units * kPointsPerUnit; }

bool IsPageSide(double points) {
    return points >= PageDocument::kMinimumSide && points <= PageDocument::kMaximumSide;
}

int32_t Begin(Box& box) {
    if (box.document) return Fail(messages::kDocumentAlreadyBegun);
    if (box.properties.Text(kOutputPath).empty()) return Fail(messages::kNoDocumentFile);
    const int32_t width = box.properties.Number(kPageWidth);
    const int32_t height = box.properties.Number(kPageHeight);
    if (!IsPageSide(ToPoints(width)) || !IsPageSide(ToPoints(height))) {
        return Fail(decoding::Fill(messages::kPageSizeOutside,
                                   {std::to_string(width), std::to_string(height)}));
    }
    NewPageDocument made =
        PageDocument::Create(ToPoints(width), ToPoints(height), box.properties.Text(kProducer));
    if (!made.error.empty()) return Fail(std::move(made.error));
    box.document = std::move(made.document);
    return kSuccess;
}

int32_t Draw(Box& box, const Rectangle& where, const char* path) {
    if (!box.document) return Fail(messages::kDocumentNotBegun);
    if (!path) return Fail(messages::kImageFileNameMissing);
    const JpegResult jpeg = EncodeImageFileAsJpeg(path, box.properties.Number(kJpegQuality));
    if (!jpeg.error.empty()) return Fail(jpeg.error);
    return Report(box.document->DrawJpeg(jpeg.bytes, where));
}

int32_t DrawLayer(Box& box, const Rectangle& where, const char* path) {
    if (!box.document) return Fail(messages::kDocumentNotBegun);
    if (!path) return Fail(messages::kRecognitionFileNameMissing);
    const RecognitionRead recognition = ReadRecognitionFile(path);
    if (!recognition.error.empty()) return Fail(recognition.error);
    // A picture without text needs no font.
    if (recognition.page.lines.empty()) return kSuccess;
    const FontRead font = ReadLayerFont();
    if (!font.error.empty()) return Fail(font.error);
    return Report(box.document->AddTextLayer(recognition.page, where, font.bytes));
}

int32_t End(Box& box) {
    if (!box.document) return Fail(messages::kDocumentNotBegun);
    const std::unique_ptr<PageDocument> document = std::move(box.document);
    return Report(document->Save(box.properties.Text(kOutputPath)));
}

template <typename Call>
int32_t WithBox(int32_t handle, Call call) {
    std::lock_guard lock(gMutex);
    const auto found = gBoxes.find(handle);
    return found == gBoxes.end() ? Fail(UnknownBox(handle)) : call(found->second);
}

}  // namespace
}  // namespace pdfctl32

using namespace pdfctl32;

int32_t CreateBox(intptr_t, int32_t) {
    std::lock_guard lock(gMutex);
    gLastHandle = gLastHandle == INT32_MAX ? 1 : gLastHandle + 1;
    gBoxes[gLastHandle] = Box();
    return gLastHandle;
}

int32_t SetNumProp(int32_t box, int32_t id, int32_t value) {
    return WithBox(box, [&](Box& b) { return Report(b.properties.SetNumber(id, value)); });
}

int32_t SetStrProp(int32_t box, int32_t id, const char* text) {
    return WithBox(box, [&](Box& b) { return Report(b.properties.SetText(id, text)); });
}

int32_t BeginDoc(int32_t box) { return WithBox(box, Begin); }

int32_t StretchDrawFromFile(int32_t box, int32_t x, int32_t y, int32_t width, int32_t height,
                            const char* path) {
    const Rectangle where{ToPoints(x), ToPoints(y), ToPoints(width), ToPoints(height)};
    return WithBox(box, [&](Box& b) { return Draw(b, where, path); });
}

int32_t DrawTextLayerFromFile(int32_t box, int32_t x, int32_t y, int32_t width, int32_t height,
                              const char* path) {
    const Rectangle where{ToPoints(x), ToPoints(y), ToPoints(width), ToPoints(height)};
    return WithBox(box, [&](Box& b) { return DrawLayer(b, where, path); });
}

int32_t EndDoc(int32_t box) { return WithBox(box, End); }

void FreeBox(int32_t box) {
    std::lock_guard lock(gMutex);
    gBoxes.erase(box);
}

int32_t GetErrorMsg(char* buffer) {
    if (!buffer) return kFailure;
    std::lock_guard lock(gMutex);
    const size_t length = std::min(gLastError.size(), kErrorBufferSize - 1);
    std::memcpy(buffer, gLastError.data(), length);
    buffer[length] = '\0';
    return static_cast<int32_t>(length);
}
