// How the recognizer's text of one line becomes the text of the layer: Chinese is written
// without spaces, so two Chinese characters are never parted by one; elsewhere the spaces the
// recognizer read stay, one for each gap.
#pragma once

#include <string>
#include <string_view>

namespace ocr {

// Characters written without spaces between them: Han ideographs, CJK punctuation and the
// full-width forms, kana and Hangul syllables.
bool IsWrittenWithoutSpaces(char32_t character);

// The line's text (UTF-8) as the recognizer gives it, its words in reading order.
std::string LineText(std::string_view recognized);

}  // namespace ocr
