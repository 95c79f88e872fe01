#include "Properties.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "DecodeFaults.h"
#include "Messages.h"

namespace pdfctl32 {
namespace {

enum class Kind { Number, Text };

struct PropertyInfo {
    int32_t id;
    Kind kind;
    int32_t defaultNumber;
};

// Ids 31, 44, 51 and 52 come from the original interface, whose callers set 44 to 1 and back
// to 0 around the output path and the other three to 2. A document of one page holding one
// image needs none of them: they are accepted, stored and change nothing.
constexpr PropertyInfo kPropertyTable[] = {
    {kOutputPath, Kind::Text, 0},      // host path of the document file
    {kProducer, Kind::Text, 0},        // Producer of the document information
    {31, Kind::Number, 2},             // stored only
    {kPageHeight, Kind::Number, 0},    // page height in tenths of a millimetre
    {kPageWidth, Kind::Number, 0},     // page width in tenths of a millimetre
    {44, Kind::Number, 0},             // stored only
    {kJpegQuality, Kind::Number, 75},  // JPEG quality of the embedded image, 0 to 100
    {51, Kind::Number, 2},             // stored only
    {52, Kind::Number, 2},             // stored only
};

const PropertyInfo* Find(int32_t id, Kind kind) {
    const auto* found = std::find_if(std::begin(kPropertyTable), std::end(kPropertyTable),
                                     [id](const PropertyInfo& info) { return info.id == id; });
    return found != std::end(kPropertyTable) && found->kind == kind ? found : nullptr;
}

}  // namespace

platform::Outcome Properties::SetNumber(int32_t id, int32_t value) {
    if (!Find(id, Kind::Number))
        return {decoding::Fill(messages::kNoNumericProperty, {std::to_string(id)})};
    numbers_[id] = value;
    return {};
}

platform::Outcome Properties::SetText(int32_t id, const char* text) {
    if (!Find(id, Kind::Text))
        return {decoding::Fill(messages::kNoTextProperty, {std::to_string(id)})};
    if (!text) return {decoding::Fill(messages::kPropertyTextMissing, {std::to_string(id)})};
    texts_[id] = text;
    return {};
}

int32_t Properties::Number(int32_t id) const {
    const auto stored = numbers_.find(id);
    if (stored != numbers_.end()) return stored->second;
    const PropertyInfo* info = Find(id, Kind::Number);
    return info ? info->defaultNumber : 0;
}

std::string Properties::Text(int32_t id) const {
    const auto stored = texts_.find(id);
    return stored != texts_.end() ? stored->second : std::string();
}

}  // namespace pdfctl32
