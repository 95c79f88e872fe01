#include "Delivery.h"

#include "MergedDocument.h"
#include "Printing.h"
#include "Texts.h"
#include "common/SystemErrors.h"
#include "platform/Platform.h"

namespace imbinder {

platform::Outcome DeliverResult(const BuildEnd& end) {
    if (end.pages == 0) return {texts::kNoReadableImage};
    if (end.merge.timedOut)
        return {
            texts::PdftkTimedOut(std::chrono::ceil<std::chrono::seconds>(end.merge.limit).count())};
    if (!platform::PathExists(kMergedFilePath))
        return {end.failedStarts > 0 ? texts::kPdftkNotStarted : texts::kPdftkMadeNoDocument};
    if (platform::Outcome whole =
            CheckMergedDocument(platform::ToHostPath(kMergedFilePath), end.pages);
        !whole.error.empty())
        return whole;
    const std::string result = end.outputFolder + "\\" + ResultFileName(end.title) + ".pdf";
    // Through a copy beside it: a full disk leaves an earlier result of the title whole.
    const platform::FileCopy copy = platform::CopyFileOver(kMergedFilePath, result);
    if (!copy.error.empty())
        return {texts::kCannotWrite + result + ": " + common::SystemErrorText(copy.systemError)};
    return {};
}

}  // namespace imbinder
