// One MuPDF context with one PDF document in it, held to the engine's memory limit. A context
// is used by one thread at a time; parallel exports give every worker a document of its own.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

#include "MemoryAccount.h"

namespace quirel {

// A MuPDF call failed; the message is MuPDF's own.
class MupdfError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class MupdfDocument {
  public:
    // Opens path as a PDF (repairing it when needed); throws MupdfError when it cannot.
    explicit MupdfDocument(const std::string& path);
    ~MupdfDocument();
    MupdfDocument(const MupdfDocument&) = delete;
    MupdfDocument& operator=(const MupdfDocument&) = delete;

    fz_context* context() const { return ctx_; }
    // The account of the context's memory, which every allocation changes.
    MemoryAccount& memory() const { return memory_; }
    fz_document* document() const { return &doc_->super; }

    bool needsPassword() const;
    // True when the UTF-8 password opens the document as user or owner.
    bool authenticate(const std::string& utf8Password) const;
    // The pages the page tree holds. A tree that claims pages it does not hold has its counts
    // repaired in memory first. Throws MupdfError when the tree cannot be read.
    int pageCount() const;

  private:
    mutable MemoryAccount memory_;  // before the context, which it outlives
    fz_context* ctx_ = nullptr;
    pdf_document* doc_ = nullptr;
};

}  // namespace quirel
