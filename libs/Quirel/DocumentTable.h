// The open documents of the process, by handle. libQuirel1 reaches them through the shared
// export entry, so both libraries see one handle space.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "MupdfDocument.h"

namespace quirel {

struct OpenDocument {
    std::string path;
    std::string password;  // the UTF-8 form that opened it; empty when none was needed
    std::unique_ptr<MupdfDocument> pdf;
    int pageCount = 0;
};

// Opens path with the typed password (null or empty for none). On success code is 1 and
// document is set; otherwise code is one of the QUIREL_OPEN_* results.
struct OpenOutcome {
    int32_t code;
    std::shared_ptr<OpenDocument> document;
};
OpenOutcome OpenDocumentFile(const char* path, const char* password);

// A second, independent copy of an open document for another thread; throws MupdfError.
std::unique_ptr<MupdfDocument> Reopen(const OpenDocument& document);

class DocumentTable {
  public:
    static DocumentTable& Instance();

    int32_t add(std::shared_ptr<OpenDocument> document);
    // Null for an unknown handle. An export keeps its document alive even if it is closed.
    std::shared_ptr<OpenDocument> find(int32_t handle) const;
    bool remove(int32_t handle);

  private:
    mutable std::mutex mutex_;
    std::map<int32_t, std::shared_ptr<OpenDocument>> documents_;
    int32_t lastHandle_ = 0;
};

}  // namespace quirel
