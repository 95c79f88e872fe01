// The PDF writer that imbinder loads by name: one box writes one document of one page. Every
// call that can fail returns -1 and keeps a text that GetErrorMsg hands out; other results are
// 0. Paths are host paths.
#pragma once

#include <cstdint>

#include "pdfctl32_export.h"

extern "C" {

// A new box; ownerWindow and reserved are accepted for callers of the original interface.
PDFCTL32_EXPORT int32_t CreateBox(intptr_t ownerWindow, int32_t reserved);
PDFCTL32_EXPORT int32_t SetNumProp(int32_t box, int32_t id, int32_t value);
PDFCTL32_EXPORT int32_t SetStrProp(int32_t box, int32_t id, const char* text);
// Opens the document and its page, sized by the page properties.
PDFCTL32_EXPORT int32_t BeginDoc(int32_t box);
// Draws an image file scaled into a rectangle measured from the page's top left corner.
PDFCTL32_EXPORT int32_t StretchDrawFromFile(int32_t box, int32_t x, int32_t y, int32_t width,
                                            int32_t height, const char* path);
// Lays the text of a recognition file (common/RecognizedPage.h) under the picture drawn into
// the same rectangle, invisible but found, selected and copied by readers: each line along its
// baseline. A file without lines changes nothing; a page with text is written through qpdf.
PDFCTL32_EXPORT int32_t DrawTextLayerFromFile(int32_t box, int32_t x, int32_t y, int32_t width,
                                              int32_t height, const char* path);
// Writes the document to the path of the output property.
PDFCTL32_EXPORT int32_t EndDoc(int32_t box);
PDFCTL32_EXPORT void FreeBox(int32_t box);
// Copies the last failure's text, at most 255 bytes with its NUL; returns its length.
PDFCTL32_EXPORT int32_t GetErrorMsg(char* buffer);
}
