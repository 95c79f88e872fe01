#include "MupdfDocument.h"

#include <new>

namespace quirel {
namespace {

// The cache of decoded fonts and images per context; with one context per worker this keeps
// the engine's resident size bounded whatever the document.
constexpr size_t kStoreBytes = 32u << 20;

// The engine prints nothing: MuPDF's warnings and errors reach the caller as results.
void Quiet(void*, const char*) {}

fz_context* NewQuietContext() {
    fz_context* ctx = fz_new_context(nullptr, nullptr, kStoreBytes);
    if (!ctx) throw std::bad_alloc();
    fz_set_warning_callback(ctx, Quiet, nullptr);
    fz_set_error_callback(ctx, Quiet, nullptr);
    return ctx;
}

pdf_document* OpenPdf(fz_context* ctx, const char* path) {
    pdf_document* doc = nullptr;
    fz_var(doc);
    fz_try(ctx) doc = pdf_open_document(ctx, path);
    fz_catch(ctx) return nullptr;
    return doc;
}

}  // namespace

MupdfDocument::MupdfDocument(const std::string& path) : ctx_(NewQuietContext()) {
    doc_ = OpenPdf(ctx_, path.c_str());
    if (!doc_) {
        std::string message = fz_caught_message(ctx_);
        fz_drop_context(ctx_);
        throw MupdfError(message);
    }
}

MupdfDocument::~MupdfDocument() {
    pdf_drop_document(ctx_, doc_);
    fz_drop_context(ctx_);
}

bool MupdfDocument::needsPassword() const { return pdf_needs_password(ctx_, doc_) != 0; }

bool MupdfDocument::authenticate(const std::string& utf8Password) const {
    return pdf_authenticate_password(ctx_, doc_, utf8Password.c_str()) != 0;
}

int MupdfDocument::pageCount() const {
    int count = 0;
    fz_var(count);
    fz_try(ctx_) count = pdf_count_pages(ctx_, doc_);
    fz_catch(ctx_) throw MupdfError(fz_caught_message(ctx_));
    return count;
}

}  // namespace quirel
