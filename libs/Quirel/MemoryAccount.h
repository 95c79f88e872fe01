// The memory MuPDF may take in the engine, and the allocator that holds its contexts to it.
#pragma once

#include <atomic>
#include <cstddef>

extern "C" {
#include <mupdf/fitz.h>
}

#include "Quirel.h"

namespace quirel {

// Every worker of an export renders from a document of its own. One document may take
// perDocument bytes, all documents of the engine together total: a page that needs more
// (a damaged image that claims thousands of millions of pixels) fails, and the engine stays
// under a gigabyte. A legitimate page takes far less: a band of 8 MB, the document's cache of
// 32 MB and the images it decodes.
struct MemoryLimit {
    size_t perDocument = size_t{512} << 20;
    size_t total = size_t{768} << 20;
};

// The limit from the next allocation on; tests lower it to prove a refusal on small pages.
QUIREL_API void SetMemoryLimit(MemoryLimit limit);

// The allocator of one MuPDF context: it counts the bytes of the context's blocks, and of all
// contexts together, and refuses a block that would take either count over its limit. MuPDF
// answers a refusal by evicting its cache and asking again, and throws when that does not
// help, so the page fails like any render error. Outlives its context.
class MemoryAccount {
  public:
    MemoryAccount();
    ~MemoryAccount();
    MemoryAccount(const MemoryAccount&) = delete;
    MemoryAccount& operator=(const MemoryAccount&) = delete;

    const fz_alloc_context* allocator() const { return &allocator_; }

    // MuPDF goes on without a block it could not have (it leaves out an image that does not
    // fit), so a page that was refused a block must fail. startPage forgets the refusals so
    // far; starved tells whether a block was refused for good since, even after eviction.
    void startPage();
    bool starved() const { return refusedForGood_ || refusalPending_; }

  private:
    static void* Allocate(void* account, size_t size);
    static void* Reallocate(void* account, void* block, size_t size);
    static void Free(void* account, void* block);
    bool reserve(size_t bytes);
    void release(size_t bytes);
    void noteRequest(size_t size);
    void noteRefusal(size_t size);

    std::atomic<size_t> bytes_{0};
    // MuPDF asks again for a refused size after every eviction, and gives up when nothing is
    // left to evict: a refusal stands when the next request is for another size, or when none
    // follows. A context allocates on one thread at a time, the one that renders its pages.
    bool refusalPending_ = false;
    size_t refusedSize_ = 0;
    bool refusedForGood_ = false;
    fz_alloc_context allocator_;
};

}  // namespace quirel
