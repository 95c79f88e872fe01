#include "DocumentTable.h"

#include <limits>

#include "Password.h"
#include "Quirel.h"

namespace quirel {
namespace {

// The first candidate form of the typed password that opens the document, or nothing.
bool Authenticate(const MupdfDocument& pdf, const char* typed, std::string& opened) {
    for (std::string& candidate : PasswordCandidates(typed)) {
        if (pdf.authenticate(candidate)) {
            opened = std::move(candidate);
            return true;
        }
    }
    return false;
}

}  // namespace

OpenOutcome OpenDocumentFile(const char* path, const char* password) {
    if (!path || !*path) return {QUIREL_OPEN_FAILED, nullptr};
    auto document = std::make_shared<OpenDocument>();
    document->path = path;
    try {
        document->pdf = std::make_unique<MupdfDocument>(document->path);
        if (document->pdf->needsPassword()) {
            if (!password || !*password) return {QUIREL_NEEDS_PASSWORD, nullptr};
            if (!Authenticate(*document->pdf, password, document->password))
                return {QUIREL_WRONG_PASSWORD, nullptr};
        }
        document->pageCount = document->pdf->pageCount();
    } catch (const MupdfError&) {
        return {QUIREL_OPEN_FAILED, nullptr};
    }
    // Repair of a file that is no PDF at all ends with an empty page tree.
    if (document->pageCount < 1) return {QUIREL_OPEN_FAILED, nullptr};
    return {1, std::move(document)};
}

std::unique_ptr<MupdfDocument> Reopen(const OpenDocument& document) {
    auto pdf = std::make_unique<MupdfDocument>(document.path);
    if (pdf->needsPassword() && !pdf->authenticate(document.password))
        throw MupdfError("the document changed since it was opened");
    pdf->pageCount();  // repairs this copy's page tree as the first copy's was
    return pdf;
}

DocumentTable& DocumentTable::Instance() {
    static DocumentTable table;
    return table;
}

int32_t DocumentTable::add(std::shared_ptr<OpenDocument> document) {
    std::lock_guard lock(mutex_);
    do {
        lastHandle_ = lastHandle_ == std::numeric_limits<int32_t>::max() ? 1 : lastHandle_ + 1;
    } while (documents_.count(lastHandle_));
    documents_.emplace(lastHandle_, std::move(document));
    return lastHandle_;
}

std::shared_ptr<OpenDocument> DocumentTable::find(int32_t handle) const {
    std::lock_guard lock(mutex_);
    auto it = documents_.find(handle);
    return it == documents_.end() ? nullptr : it->second;
}

bool DocumentTable::remove(int32_t handle) {
    std::lock_guard lock(mutex_);
    return documents_.erase(handle) > 0;
}

}  // namespace quirel
