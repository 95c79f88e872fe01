// The files a text layer is made from: the recognition file the caller names, and the font that
// lies beside this library in the program folder.
#pragma once

#include <string>

#include "RecognizedPage.h"

namespace pdfctl32 {

// The font's file name in the program folder.
inline constexpr char kLayerFontName[] = "glyphless.ttf";

struct RecognitionRead {
    recognition::RecognizedPage page;
    std::string error;
};

// The recognition file at a host path, read and checked whole.
RecognitionRead ReadRecognitionFile(const std::string& path);

struct FontRead {
    std::string bytes;  // the TrueType file as it is
    std::string error;
};

FontRead ReadLayerFont();

}  // namespace pdfctl32
