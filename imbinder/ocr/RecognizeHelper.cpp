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

#include "RecognitionFaults.h"
#include "RecognizedPage.h"
#include "WordJoining.h"

namespace {

using namespace ocr;

constexpr const char* kLanguages = "chi_sim+eng";
// A word the recognizer is this sure of counts as read.
constexpr float kSureConfidence = 60;
// A first reading that is sure of fewer of its characters than this share is tried again with
// a threshold that follows the light across the picture: dark and unevenly lit photos come out
// empty with one threshold for the whole picture.
constexpr double kSureShare = 0.8;
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

// A text line being read: its baseline's start and direction, its height and its words.
struct LineInProgress {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0, ux = 1, uy = 0, height = 1;
    std::vector<RecognizedWord> words;

    // Starts the line the iterator is at; false for a line without a direction.
    bool Start(const tesseract::ResultIterator& it) {
        words.clear();
        int bx1, by1, bx2, by2, left, top, right, bottom;
        if (!it.Baseline(tesseract::RIL_TEXTLINE, &bx1, &by1, &bx2, &by2)) return false;
        x1 = bx1, y1 = by1, x2 = bx2, y2 = by2;
        const double length = std::hypot(x2 - x1, y2 - y1);
        if (length < 1) return false;
        ux = (x2 - x1) / length, uy = (y2 - y1) / length;
        it.BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
        // The line's height runs across the baseline: the box's other side.
        height = std::max(1, std::abs(ux) >= std::abs(uy) ? bottom - top : right - left);
        return true;
    }

    // How far along the baseline, in its direction, the word's box reaches.
    void Add(std::string text, int left, int top, int right, int bottom) {
        double lowest = INFINITY, highest = -INFINITY;
        for (const int x : {left, right}) {
            for (const int y : {top, bottom}) {
                const double t = (x - x1) * ux + (y - y1) * uy;
                lowest = std::min(lowest, t);
                highest = std::max(highest, t);
            }
        }
        words.push_back({std::move(text), lowest, highest});
    }

    void Finish(recognition::RecognizedPage& page) {
        std::string text = JoinLineWords(words, height);
        if (!text.empty()) page.lines.push_back({x1, y1, x2, y2, height, std::move(text)});
        words.clear();
    }
};

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
    LineInProgress line;
    bool inLine = false;
    do {
        if (it->Empty(kWord)) continue;
        if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
            if (inLine) line.Finish(reading.page);
            inLine = line.Start(*it);
        }
        std::unique_ptr<char[]> text(it->GetUTF8Text(kWord));
        if (!inLine || !text || text[0] == '\0') continue;
        int left, top, right, bottom;
        it->BoundingBox(kWord, &left, &top, &right, &bottom);
        const size_t characters = CountCharacters(text.get());
        reading.characters += characters;
        if (it->Confidence(kWord) >= kSureConfidence) reading.sureCharacters += characters;
        line.Add(text.get(), left, top, right, bottom);
    } while (it->Next(kWord));
    if (inLine) line.Finish(reading.page);
    return reading;
}

bool Sure(const Reading& reading) {
    return reading.characters > 0 && reading.sureCharacters >= kSureShare * reading.characters;
}

// Whether a reading holds more characters read surely than another, which may have failed.
bool Better(const std::optional<Reading>& reading, const std::optional<Reading>& than) {
    return reading && (!than || reading->sureCharacters > than->sureCharacters);
}

// The picture read with one threshold for the whole of it, then, when that reading is unsure,
// with one that follows the light; the reading with more sure characters.
std::optional<Reading> ReadPicture(tesseract::TessBaseAPI& api, Pix* pix) {
    std::optional<Reading> reading = Read(api, pix, kGlobalThreshold);
    if (reading && Sure(*reading)) return reading;
    std::optional<Reading> adaptive = Read(api, pix, kAdaptiveThreshold);
    return Better(adaptive, reading) ? adaptive : reading;
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

// The quarter turns clockwise that make the picture upright; nothing without the orientation
// data. Found apart from the reading, and its memory given back before the reading starts:
// the orientation classifier and the reader together would take a third more.
std::optional<int> UprightQuarterTurns(Pix* pix) {
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
    if (!osd.DetectOrientationScript(&degrees, &confidence, &script, &scriptConfidence)) return 0;
    return (360 - degrees) / 90 % 4;
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

    const std::optional<int> turns = UprightQuarterTurns(pix.get());
    if (!turns) return ExitCodeOf(RecognitionFault::NoLanguageData);

    tesseract::TessBaseAPI api;
    if (!StartRecognizer(api)) return ExitCodeOf(RecognitionFault::NoLanguageData);
    std::optional<Reading> reading;
    if (*turns != 0) {
        const PixPointer turned(pixRotateOrth(pix.get(), *turns));
        if (!turned) return ExitCodeOf(RecognitionFault::Failed);
        reading = ReadPicture(api, turned.get());
        placement.turns = *turns;
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
