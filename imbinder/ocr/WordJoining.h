// How the recognized words of one text line become its text: Chinese is written without spaces,
// so two Chinese characters are never parted by one, Latin words always are, and between the
// two a space stands only where the picture shows a gap.
#pragma once

#include <string>
#include <vector>

namespace ocr {

struct RecognizedWord {
    std::string text;  // UTF-8
    double start = 0;  // where it begins and ends along the line's baseline, in pixels
    double end = 0;
};

// Characters written without spaces between them: Han ideographs, CJK punctuation and the
// full-width forms, kana and Hangul syllables.
bool IsWrittenWithoutSpaces(char32_t character);

// The text of a line of words in reading order; lineHeight in pixels.
std::string JoinLineWords(const std::vector<RecognizedWord>& words, double lineHeight);

}  // namespace ocr
