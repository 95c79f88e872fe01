#include "MemoryAccount.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace quirel {
namespace {

std::atomic<size_t> perDocumentLimit{MemoryLimit{}.perDocument};
std::atomic<size_t> totalLimit{MemoryLimit{}.total};
// The bytes of all the engine's contexts.
std::atomic<size_t> totalBytes{0};

// Every block starts with its size, so that a free knows what it gives back; the header keeps
// the block aligned as malloc's are.
constexpr size_t kHeader = alignof(std::max_align_t);

void* Payload(void* base, size_t size) {
    std::memcpy(base, &size, sizeof size);
    return static_cast<char*>(base) + kHeader;
}

void* Base(void* block) { return static_cast<char*>(block) - kHeader; }

size_t SizeOf(void* block) {
    size_t size;
    std::memcpy(&size, Base(block), sizeof size);
    return size;
}

// Adds bytes to count unless that takes it over limit.
bool Add(std::atomic<size_t>& count, size_t bytes, size_t limit) {
    const size_t before = count.fetch_add(bytes, std::memory_order_relaxed);
    if (before + bytes >= before && before + bytes <= limit) return true;
    count.fetch_sub(bytes, std::memory_order_relaxed);
    return false;
}

}  // namespace

void SetMemoryLimit(MemoryLimit limit) {
    perDocumentLimit = limit.perDocument;
    totalLimit = limit.total;
}

MemoryAccount::MemoryAccount() : allocator_{this, Allocate, Reallocate, Free} {}

// Blocks MuPDF failed to give back leave the engine's count with their context.
MemoryAccount::~MemoryAccount() { totalBytes.fetch_sub(bytes_, std::memory_order_relaxed); }

bool MemoryAccount::reserve(size_t bytes) {
    if (!Add(bytes_, bytes, perDocumentLimit.load(std::memory_order_relaxed))) return false;
    if (Add(totalBytes, bytes, totalLimit.load(std::memory_order_relaxed))) return true;
    bytes_.fetch_sub(bytes, std::memory_order_relaxed);
    return false;
}

void MemoryAccount::release(size_t bytes) {
    bytes_.fetch_sub(bytes, std::memory_order_relaxed);
    totalBytes.fetch_sub(bytes, std::memory_order_relaxed);
}

void MemoryAccount::startPage() {
    refusalPending_ = false;
    refusedForGood_ = false;
}

void MemoryAccount::noteRequest(size_t size) {
    if (refusalPending_ && size != refusedSize_) refusedForGood_ = true;
    refusalPending_ = false;
}

void MemoryAccount::noteRefusal(size_t size) {
    refusalPending_ = true;
    refusedSize_ = size;
}

void* MemoryAccount::Allocate(void* account, size_t size) {
    auto& self = *static_cast<MemoryAccount*>(account);
    self.noteRequest(size);
    if (size > SIZE_MAX - kHeader || !self.reserve(size)) {
        self.noteRefusal(size);
        return nullptr;
    }
    void* base = std::malloc(kHeader + size);
    if (!base) {
        self.release(size);
        self.noteRefusal(size);
        return nullptr;
    }
    return Payload(base, size);
}

void* MemoryAccount::Reallocate(void* account, void* block, size_t size) {
    if (!block) return Allocate(account, size);
    auto& self = *static_cast<MemoryAccount*>(account);
    self.noteRequest(size);
    const size_t old = SizeOf(block);
    if (size > SIZE_MAX - kHeader || (size > old && !self.reserve(size - old))) {
        self.noteRefusal(size);
        return nullptr;
    }
    void* base = std::realloc(Base(block), kHeader + size);
    if (!base) {
        if (size > old) self.release(size - old);
        self.noteRefusal(size);
        return nullptr;  // the old block stays as it was
    }
    if (size < old) self.release(old - size);
    return Payload(base, size);
}

void MemoryAccount::Free(void* account, void* block) {
    if (!block) return;
    static_cast<MemoryAccount*>(account)->release(SizeOf(block));
    std::free(Base(block));
}

}  // namespace quirel
