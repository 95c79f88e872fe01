#include "Delivery.h"

#include "Printing.h"
#include "Texts.h"
#include "platform/Platform.h"

namespace imbinder {

platform::Outcome DeliverResult(const BuildEnd& end) {
    if (end.pages == 0) return {texts::kNoReadableImage};
    if (end.merge.timedOut)
        return {
            texts::PdftkTimedOut(std::chrono::ceil<std::chrono::seconds>(end.merge.limit).count())};
    if (!platform::PathExists(kMergedFilePath))
        return {end.failedStarts > 0 ? texts::kPdftkNotStarted : texts::kPdftkMadeNoDocument};
    const std::string result = end.outputFolder + "\\" + ResultFileName(end.title) + ".pdf";
    if (!platform::CopyFile(kMergedFilePath, result, false)) return {texts::kCannotWrite + result};
    return {};
}

}  // namespace imbinder
