#include "MergedDocument.h"

#include <exception>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include "Texts.h"

namespace imbinder {

platform::Outcome CheckMergedDocument(const std::string& hostPath, int pages) {
    size_t found = 0;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(false);  // a file that needs repair is not whole
        pdf.processFile(hostPath.c_str());
        found = QPDFPageDocumentHelper(pdf).getAllPages().size();
    } catch (const std::exception&) {
        return {texts::kMergedDocumentDamaged};
    }
    if (found != static_cast<size_t>(pages))
        return {texts::MergedDocumentShort(static_cast<int>(found), pages)};
    return {};
}

}  // namespace imbinder
