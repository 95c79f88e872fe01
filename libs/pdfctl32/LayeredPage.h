// Adds a text layer to the one-page document libharu wrote, through qpdf: libharu's own
// encoder for Unicode text writes a malformed ToUnicode CMap (a cidrange where readers expect
// Unicode), so the font, its mapping and the layer's content are made here and the document is
// written again.
#pragma once

#include <string>

#include "TextLayer.h"

namespace pdfctl32 {

struct LayeredDocument {
    std::string bytes;  // the whole document
    std::string error;
};

// The document with the layer drawn first, under everything the page holds, in a Type0 font
// (Identity-H) whose CIDFontType2 descendant embeds the TrueType font file as it is.
LayeredDocument AddTextLayer(const std::string& document, const TextLayer& layer,
                             const std::string& fontFile);

}  // namespace pdfctl32
