// Whether the document pdftk merged is whole before it takes the result's name. A disk that
// fills during a pdftk run leaves a cut-off file, and a later run, reading a cut-off chain
// file, may repair it into a document with pages missing; pdftk does not say so.
#pragma once

#include <string>

#include "platform/Host.h"

namespace imbinder {

// The file at hostPath reads as a PDF without repair and holds exactly pages pages.
platform::Outcome CheckMergedDocument(const std::string& hostPath, int pages);

}  // namespace imbinder
