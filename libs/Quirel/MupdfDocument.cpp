#include "MupdfDocument.h"

#include <new>
#include <vector>

namespace quirel {
namespace {

// The cache of decoded fonts and images per context; with one context per worker this keeps
// the engine's resident size bounded whatever the document.
constexpr size_t kStoreBytes = 32u << 20;

// The engine prints nothing: MuPDF's warnings and errors reach the caller as results.
void Quiet(void*, const char*) {}

fz_context* NewQuietContext(const fz_alloc_context* allocator) {
    fz_context* ctx = fz_new_context(allocator, nullptr, kStoreBytes);
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

// Deeper page trees are damaged or hostile; their deeper pages are left out.
constexpr int kMaxTreeDepth = 64;

bool LastPageResolves(fz_context* ctx, pdf_document* doc, int count) {
    pdf_obj* page = nullptr;
    fz_var(page);
    fz_try(ctx) page = pdf_lookup_page_obj(ctx, doc, count - 1);
    fz_catch(ctx) return false;
    return page != nullptr;
}

// A node of the page tree that holds pages, told apart from a page as MuPDF's page lookup
// does.
bool HoldsPages(fz_context* ctx, pdf_obj* node) {
    pdf_obj* type = pdf_dict_get(ctx, node, PDF_NAME(Type));
    return type ? pdf_name_eq(ctx, type, PDF_NAME(Pages))
                : pdf_dict_get(ctx, node, PDF_NAME(Kids)) &&
                      !pdf_dict_get(ctx, node, PDF_NAME(MediaBox));
}

// The pages under node, every node counted once, and each node's /Count set to that number,
// so that MuPDF's lookups by page number agree with the count. marked collects the nodes to
// unmark afterwards; marks also break cycles.
int RecountPages(fz_context* ctx, pdf_obj* node, int depth, std::vector<pdf_obj*>& marked) {
    if (depth > kMaxTreeDepth || pdf_mark_obj(ctx, node)) return 0;
    marked.push_back(node);
    int pages = 0;
    pdf_obj* kids = pdf_dict_get(ctx, node, PDF_NAME(Kids));
    const int kidCount = pdf_array_len(ctx, kids);
    for (int i = 0; i < kidCount; ++i) {
        pdf_obj* kid = pdf_array_get(ctx, kids, i);
        pages += HoldsPages(ctx, kid) ? RecountPages(ctx, kid, depth + 1, marked) : 1;
    }
    pdf_dict_put_int(ctx, node, PDF_NAME(Count), pages);
    return pages;
}

}  // namespace

MupdfDocument::MupdfDocument(const std::string& path) : ctx_(NewQuietContext(memory_.allocator())) {
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
    std::vector<pdf_obj*> marked;
    fz_var(count);
    fz_try(ctx_) {
        count = pdf_count_pages(ctx_, doc_);
        if (count > 0 && !LastPageResolves(ctx_, doc_, count))
            count = RecountPages(ctx_, pdf_dict_getp(ctx_, pdf_trailer(ctx_, doc_), "Root/Pages"),
                                 0, marked);
    }
    fz_always(ctx_) {
        for (pdf_obj* node : marked) pdf_unmark_obj(ctx_, node);
    }
    fz_catch(ctx_) throw MupdfError(fz_caught_message(ctx_));
    return count;
}

}  // namespace quirel
