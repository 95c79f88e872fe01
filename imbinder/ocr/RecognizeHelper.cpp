// imocr: recognizes the Chinese and English text of one picture, for imbinder's text layer. Its
// caller starts it under memory and time limits with one thread for the recognizer, so that a
// hostile picture or a recognizer fault can only end this process.
//   imocr <24-bit BMP> <file to write the recognized lines to>
//   imocr --check      ends with 0 when the language data is there
// It ends with 0 or with the exit code of its fault (RecognitionFaults.h). The lines are in the
// pixels of the picture as given, which is the picture the page shows; pages turned 90 or 180
// degrees are read upright, their lines given along the direction of reading.
#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LineText.h"
#include "RecognitionFaults.h"
#include "RecognizedPage.h"

namespace {

using namespace ocr;

constexpr const char* kLanguages = "chi_sim+eng";
// A word the recognizer is this sure of counts as read.
constexpr float kSureConfidence = 60;
// A first reading that is sure of fewer of its characters than this share is tried again with
// a threshold that follows the light across the picture: dark and unevenly lit photos come out
// empty with one threshold for the whole picture.
constexpr double kSureShare = 0.8;
// A picture whose brightest tenth is darker than this is a photo taken in poor light: it is
// read first with the threshold that follows the light, which reads such pages where one
// threshold for the whole picture finds next to nothing, and sure of what little it finds.
constexpr l_uint32 kDarkPaper = 128;
// Pictures larger than an A4 page at 300 dots per inch, as phone photos are, are read at that
// size: their text reads as well, and each reading keeps the memory and time of a page.
constexpr double kLargestPixels = 2480.0 * 3508.0;
constexpr const char* kGlobalThreshold = "0";
constexpr const char* kAdaptiveThreshold = "2";  // Sauvola

struct PixDeleter {
    void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixPointer = std::unique_ptr<Pix, PixDeleter>;

struct Reading {
    recognition::RecognizedPage page;
    size_t characters = 0;
    size_t sureCharacters = 0;
};

// Adds the text line the iterator is at: its baseline from start to end in the direction of
// reading, its height across it, and its text; a line without a direction or text is left out.
void AddLine(const tesseract::ResultIterator& it, recognition::RecognizedPage& page) {
    int x1, y1, x2, y2, left, top, right, bottom;
    if (!it.Baseline(tesseract::RIL_TEXTLINE, &x1, &y1, &x2, &y2)) return;
    if (std::hypot(x2 - x1, y2 - y1) < 1) return;
    it.BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
    // The line's height runs across the baseline: the box's other side.
    const bool across = std::abs(x2 - x1) >= std::abs(y2 - y1);
    const int height = std::max(1, across ? bottom - top : right - left);
    const std::unique_ptr<char[]> recognized(it.GetUTF8Text(tesseract::RIL_TEXTLINE));
    std::string text = LineText(recognized ? recognized.get() : "");
    if (!text.empty())
        page.lines.push_back(
            {double(x1), double(y1), double(x2), double(y2), double(height), std::move(text)});
}

size_t CountCharacters(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80 && c != ' ';
    }));
}

// The lines of the picture as the recognizer read it with the given threshold method.
std::optional<Reading> Read(tesseract::TessBaseAPI& api, Pix* pix, const char* threshold) {
    api.SetVariable("thresholding_method", threshold);
    api.SetImage(pix);
    if (pixGetXRes(pix) > 0) api.SetSourceResolution(pixGetXRes(pix));
    if (api.Recognize(nullptr) != 0) return std::nullopt;
    Reading reading;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) return reading;
    constexpr auto kWord = tesseract::RIL_WORD;
    do {
        if (it->Empty(kWord)) continue;
        if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) AddLine(*it, reading.page);
        const std::unique_ptr<char[]> text(it->GetUTF8Text(kWord));
        if (!text) continue;
        const size_t characters = CountCharacters(text.get());
        reading.characters += characters;
        if (it->Confidence(kWord) >= kSureConfidence) reading.sureCharacters += characters;
    } while (it->Next(kWord));
    return reading;
}

bool Sure(const Reading& reading) {
    return reading.characters > 0 && reading.sureCharacters >= kSureShare * reading.characters;
}

// Whether a reading holds more characters read surely than another, which may have failed.
bool Better(const std::optional<Reading>& reading, const std::optional<Reading>& than) {
    return reading && (!than || reading->sureCharacters > than->sureCharacters);
}

bool Dark(Pix* grey) {
    l_uint32 paper = 255;
    return pixGetRankValue(grey, 4, 0.9f, &paper) == 0 && paper < kDarkPaper;
}

// The picture read with one threshold for the whole of it, then, when that reading is unsure,
// with one that follows the light (the other way round for a dark picture); the reading with
// more sure characters.
std::optional<Reading> ReadPicture(tesseract::TessBaseAPI& api, Pix* pix) {
    const bool dark = Dark(pix);
    std::optional<Reading> reading = Read(api, pix, dark ? kAdaptiveThreshold : kGlobalThreshold);
    if (reading && Sure(*reading)) return reading;
    std::optional<Reading> other = Read(api, pix, dark ? kGlobalThreshold : kAdaptiveThreshold);
    return Better(other, reading) ? other : reading;
}

// The recognizer for Chinese and English, for pages laid out upright; false when its language
// data, or the orientation data, is missing.
bool StartRecognizer(tesseract::TessBaseAPI& api) {
    if (api.Init(nullptr, kLanguages, tesseract::OEM_LSTM_ONLY) != 0) return false;
    const std::string osd = std::string(api.GetDatapath()) + "/osd.traineddata";
    if (!std::ifstream(osd).good()) return false;
    api.SetVariable("debug_file", "/dev/null");
    api.SetPageSegMode(tesseract::PSM_AUTO);
    return true;
}

// The picture as the recognizer reads it: grey, since it keeps a copy of what it is given (an
// A4 page at 300 dots per inch costs 17 MB instead of 70), and no larger than kLargestPixels.
PixPointer ReadablePicture(Pix* picture, double& scale) {
    PixPointer grey(pixGetDepth(picture) == 32 ? pixConvertRGBToLuminance(picture)
                                               : pixClone(picture));
    const double pixels = double(pixGetWidth(picture)) * pixGetHeight(picture);
    scale = pixels > kLargestPixels ? std::sqrt(kLargestPixels / pixels) : 1;
    if (!grey || scale == 1) return grey;
    return PixPointer(pixScale(grey.get(), float(scale), float(scale)));
}

struct Orientation {
    int turns = 0;     // quarter turns clockwise that make the picture upright
    bool cjk = false;  // written in Chinese, Japanese or Korean characters
};

bool IsCjkScript(const char* script) {
    for (const char* cjk : {"Han", "Hiragana", "Katakana", "Japanese", "Korean", "Hangul"}) {
        if (script && std::string(script) == cjk) return true;
    }
    return false;
}

// How the picture stands and what it is written in; nothing without the orientation data.
// Found apart from the reading, and its memory given back before the reading starts: the
// orientation classifier and the reader together would take a third more.
std::optional<Orientation> FindOrientation(Pix* pix) {
    tesseract::TessBaseAPI osd;
    if (osd.Init(nullptr, "osd", tesseract::OEM_TESSERACT_ONLY) != 0) return std::nullopt;
    osd.SetVariable("debug_file", "/dev/null");
    osd.SetPageSegMode(tesseract::PSM_OSD_ONLY);
    osd.SetImage(pix);
    if (pixGetXRes(pix) > 0) osd.SetSourceResolution(pixGetXRes(pix));
    int degrees = 0;
    float confidence = 0, scriptConfidence = 0;
    const char* script = nullptr;
    // Too little text to tell is read as it stands. Chinese pages rarely reach the margin the
    // recognizer calls sure, so a weak answer is taken too, as its own layout takes it; a
    // reading that then comes out unsure is checked against the picture as it stands.
    if (!osd.DetectOrientationScript(&degrees, &confidence, &script, &scriptConfidence))
        return Orientation{};
    return Orientation{(360 - degrees) / 90 % 4, IsCjkScript(script)};
}

// Where a point of the upright, scaled picture lies on the picture as given.
struct Placement {
    int turns;             // quarter turns clockwise from the given picture to the upright one
    double width, height;  // the scaled picture before it was turned
    double scale;

    void Place(double& x, double& y) const {
        const double u = x, v = y;
        switch (turns) {
            case 1:
                x = v, y = height - u;
                break;
            case 2:
                x = width - u, y = height - v;
                break;
            case 3:
                x = width - v, y = u;
                break;
            default:
                break;
        }
        x /= scale, y /= scale;
    }
};

void PlaceOnPicture(recognition::RecognizedPage& page, const Placement& placement, int width,
                    int height) {
    page.width = width;
    page.height = height;
    for (recognition::RecognizedLine& line : page.lines) {
        placement.Place(line.x1, line.y1);
        placement.Place(line.x2, line.y2);
        line.height /= placement.scale;
    }
}

// A page found to be in Chinese characters is laid out as the recognizer lays out such pages
// when it finds their orientation itself: each character one block of fixed width.
void SetScript(tesseract::TessBaseAPI& api, const Orientation& orientation) {
    api.SetVariable("textord_use_cjk_fp_model", orientation.cjk ? "1" : "0");
}

int Recognize(const std::string& path, const std::string& output) {
    PixPointer picture(pixRead(path.c_str()));
    if (!picture) return ExitCodeOf(RecognitionFault::Unreadable);
    const int width = static_cast<int>(pixGetWidth(picture.get()));
    const int height = static_cast<int>(pixGetHeight(picture.get()));
    Placement placement{0, 0, 0, 1};
    PixPointer pix = ReadablePicture(picture.get(), placement.scale);
    picture.reset();
    if (!pix) return ExitCodeOf(RecognitionFault::Unreadable);
    placement.width = pixGetWidth(pix.get());
    placement.height = pixGetHeight(pix.get());

    const std::optional<Orientation> orientation = FindOrientation(pix.get());
    if (!orientation) return ExitCodeOf(RecognitionFault::NoLanguageData);

    tesseract::TessBaseAPI api;
    if (!StartRecognizer(api)) return ExitCodeOf(RecognitionFault::NoLanguageData);
    SetScript(api, *orientation);
    std::optional<Reading> reading;
    if (orientation->turns != 0) {
        const PixPointer turned(pixRotateOrth(pix.get(), orientation->turns));
        if (!turned) return ExitCodeOf(RecognitionFault::Failed);
        reading = ReadPicture(api, turned.get());
        placement.turns = orientation->turns;
    }
    if (!reading || !Sure(*reading)) {
        std::optional<Reading> asItStands = ReadPicture(api, pix.get());
        if (Better(asItStands, reading)) {
            reading = std::move(asItStands);
            placement.turns = 0;
        }
    }
    if (!reading) return ExitCodeOf(RecognitionFault::Failed);
    PlaceOnPicture(reading->page, placement, width, height);
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    file << recognition::FormatRecognizedPage(reading->page);
    file.close();
    return file ? 0 : ExitCodeOf(RecognitionFault::CannotWrite);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--check") {
        tesseract::TessBaseAPI api;
        return StartRecognizer(api) ? 0 : ExitCodeOf(RecognitionFault::NoLanguageData);
    }
    if (argc != 3) return kUsageExitCode;
    return Recognize(argv[1], argv[2]);
}
