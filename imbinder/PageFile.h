// The one-page document of a decoded image, made by the PDF writer through the calls its callers
// have always made, in their order.
#pragma once

#include <cstdint>
#include <string>

#include "Printing.h"

namespace imbinder {

class PdfLibrary;

struct PageFileRequest {
    std::string pageFile;  // the document to write (Windows form)
    std::string bitmap;    // the picture drawn over the whole page (Windows form)
    PageSize size;         // the page, in the writer's units
    int quality = 75;      // the JPEG quality of the picture, 0 to 100
    // The recognized text to lay under the picture (Windows form); empty for none.
    std::string recognition;
};

// A call the writer refuses ends the program, as CheckPdfResult does; a missing writer writes
// nothing. Whether the file was made, the caller sees from the file. The text layer alone never
// ends the program: a page whose layer the writer refuses is written without it, and the
// writer's reason is returned (empty when the layer was laid or none was asked for).
std::string WritePdfPage(PdfLibrary& pdf, intptr_t ownerWindow, const PageFileRequest& request);

}  // namespace imbinder
