#include "pagelift/Conversion.h"

#include <algorithm>
#include <limits>

#include "common/Numbers.h"
#include "common/SystemErrors.h"
#include "libs/Quirel/Quirel.h"
#include "pagelift/Texts.h"
#include "platform/Platform.h"

namespace pagelift {
namespace {

// A value the page texts give, brought into the engine's 32-bit range.
int32_t ToPageNumber(double value) {
    double rounded = common::RoundHalfEven(value);
    return int32_t(std::clamp<double>(rounded, std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max()));
}

}  // namespace

std::string FormatColumn(const std::string& path) {
    return platform::UpperCaseLetters(platform::LastCharacters(path, 3));
}

bool EndsInPdf(const std::string& path) { return FormatColumn(path) == "PDF"; }

const OutputFormat* FormatAt(int index) {
    if (index < 0 || index >= kFormatCount) return nullptr;
    return &kOutputFormats[index];
}

PageRange ComputePageRange(std::string_view startText, std::string_view endText,
                           int32_t pageCount) {
    double first = common::NumericValue(startText);
    if (first >= pageCount) first = pageCount;
    PageRange range;
    range.first = ToPageNumber(first);
    if (endText == kLastPageWord || common::NumericValue(endText) >= pageCount) {
        range.last = pageCount;
    } else {
        range.last = ToPageNumber(common::NumericValue(endText));
    }
    return range;
}

std::optional<int32_t> ExportResolution(std::string_view text) { return common::ToInteger(text); }

std::string CheckedResolution(std::string_view text) {
    double value = common::NumericValue(text);
    if (value < 10 || value > 1000) return "120";
    return std::string(text);
}

std::string OutputRoot(std::string_view outputFolder) {
    std::string root(outputFolder);
    if (root.empty() || root.back() != '\\') root += '\\';
    return root;
}

ProgressDisplay ComputeProgress(int32_t first, int32_t last, int32_t done) {
    ProgressDisplay display;
    double pages = double(last) - double(first) + 1;
    if (pages != 0) {
        double percent = common::RoundHalfEven(double(done) / pages * 100);
        display.percent = int(std::clamp(percent, 0.0, 100.0));
    }
    display.complete = display.percent >= 100;
    display.fillTwips =
        display.complete ? kFullFillTwips : display.percent / 100.0 * kFullFillTwips;
    return display;
}

std::string DocumentFolders::NameFor(const std::string& outputRoot, const std::string& path,
                                     const std::string& baseName) {
    for (int n = 1;; ++n) {
        std::string name = n == 1 ? baseName : baseName + " (" + std::to_string(n) + ")";
        auto [entry, isNew] =
            sourceOfFolder_.try_emplace(platform::LowerCaseLetters(outputRoot + name), path);
        if (isNew || entry->second == path) return name;
    }
}

bool NeedsPassword(int32_t openResult) {
    return openResult == QUIREL_NEEDS_PASSWORD || openResult == QUIREL_WRONG_PASSWORD;
}

PasswordOpen OpenWithPassword(const std::function<std::string(bool wrongBefore)>& ask,
                              const std::function<int32_t(const std::string& password)>& open) {
    std::string answer = ask(false);
    int32_t handle = open(answer);
    while (!answer.empty() && NeedsPassword(handle)) {
        answer = ask(true);
        handle = open(answer);
    }
    if (handle == QUIREL_OPEN_FAILED) return {PasswordEnd::Failed, handle};
    if (NeedsPassword(handle)) return {PasswordEnd::Cancelled, handle};
    return {PasswordEnd::Opened, handle};
}

std::string OpenFailureText(int32_t result) {
    if (NeedsPassword(result)) return texts::kWrongPassword;
    return texts::kCannotOpen;
}

std::string ExportFailureText(int32_t result, std::optional<int> systemError) {
    auto withReason = [&](const char* text) {
        return systemError ? text + std::string(": ") + common::SystemErrorText(*systemError)
                           : std::string(text);
    };
    switch (result) {
        case QUIREL_UNKNOWN_HANDLE:
            return texts::kDocumentNotOpen;
        case QUIREL_BAD_ARGUMENT:
            return texts::kBadFormatOrResolution;
        case QUIREL_FOLDER_ERROR:
            return withReason(texts::kOutputFolderNotMade);
        case QUIREL_WRITE_ERROR:
            return withReason(texts::kImageNotWritten);
        case QUIREL_PAGE_TOO_LARGE:
            return texts::kPageTooLarge;
        case QUIREL_RENDER_ERROR:
            return texts::kPageNotRendered;
        default:
            return texts::ConversionFailed(result);
    }
}

std::optional<std::string> ExportShortfall(int32_t result,
                                           const std::optional<QuirelExportReport>& report) {
    std::optional<int> systemError;
    if (report) systemError = report->systemError;
    if (result < 0) return ExportFailureText(result, systemError);
    if (!report || report->written >= report->pages) return std::nullopt;
    return texts::PartlyWritten(report->written, report->pages,
                                ExportFailureText(report->failure, systemError));
}

}  // namespace pagelift
