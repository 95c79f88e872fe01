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
    reading.page.width = static_cast<int>(pixGetWidth(pix));
    reading.page.height = static_cast<int>(pixGetHeight(pix));
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

bool StartRecognizer(tesseract::TessBaseAPI& api) {
    if (api.Init(nullptr, kLanguages, tesseract::OEM_LSTM_ONLY) != 0) return false;
    // The orientation data is loaded only when a page is laid out: look for it now.
    const std::string osd = std::string(api.GetDatapath()) + "/osd.traineddata";
    if (!std::ifstream(osd).good()) return false;
    api.SetVariable("debug_file", "/dev/null");
    api.SetPageSegMode(tesseract::PSM_AUTO_OSD);
    return true;
}

int Recognize(const std::string& picture, const std::string& output) {
    PixPointer pix(pixRead(picture.c_str()));
    if (!pix) return ExitCodeOf(RecognitionFault::Unreadable);
    tesseract::TessBaseAPI api;
    if (!StartRecognizer(api)) return ExitCodeOf(RecognitionFault::NoLanguageData);
    std::optional<Reading> reading = Read(api, pix.get(), kGlobalThreshold);
    if (!reading) return ExitCodeOf(RecognitionFault::Failed);
    if (!Sure(*reading)) {
        std::optional<Reading> adaptive = Read(api, pix.get(), kAdaptiveThreshold);
        if (adaptive && adaptive->sureCharacters > reading->sureCharacters) reading = adaptive;
    }
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
