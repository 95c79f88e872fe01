// The numeric and text properties of one box, checked against the table of known ids.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/Host.h"

namespace pdfctl32 {

enum PropertyId : int32_t {
    kOutputPath = 10,
    kProducer = 14,
    kPageHeight = 34,
    kPageWidth = 36,
    kJpegQuality = 45,
};

class Properties {
  public:
    // Each fails with why the value was refused.
    platform::Outcome SetNumber(int32_t id, int32_t value);
    platform::Outcome SetText(int32_t id, const char* text);

    // The value set last, or the property's default.
    int32_t Number(int32_t id) const;
    std::string Text(int32_t id) const;

  private:
    std::map<int32_t, int32_t> numbers_;
    std::map<int32_t, std::string> texts_;
};

}  // namespace pdfctl32
