// The rules of the job list and of a conversion run that touch no control: which paths the list
// takes and its Format column, the output formats, the page range, the progress display, the
// document folders and the words for the engine's failures.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "libs/Quirel/Quirel.h"

namespace pagelift {

struct OutputFormat {
    const char* listText;
    bool tiff;  // exported by ExportTIF, which takes no format code and depth
    int32_t engineCode;
    int32_t bitsPerPixel;
    const char* extension;
};

inline constexpr OutputFormat kOutputFormats[] = {
    {"JPEG 文件(*.jpg)", false, 2, 24, "jpg"}, {"BMP 文件(*.bmp)", false, 1, 24, "bmp"},
    {"GIF 文件(*.gif)", false, 5, 8, "gif"},   {"PNG 文件(*.png)", false, 4, 24, "png"},
    {"TIF 文件(*.tif)", true, 0, 0, "tif"},
};
inline constexpr int kFormatCount = int(std::size(kOutputFormats));

// The job list's "Format" column of a path: its last three characters, upper-cased.
std::string FormatColumn(const std::string& path);
// A path the job list takes: its Format column is "PDF".
bool EndsInPdf(const std::string& path);

// The format of a selected index of the format list; nothing outside 0 to 4.
const OutputFormat* FormatAt(int index);

inline constexpr const char* kLastPageWord = "最后一页";

struct PageRange {
    int32_t first = 0;
    int32_t last = 0;
};

// The range handed to the engine for a document of pageCount pages: the start page text's
// numeric value, at most the page count; the end page text's, or the page count for the word
// "最后一页" or any value at or above it.
PageRange ComputePageRange(std::string_view startText, std::string_view endText, int32_t pageCount);

// The resolution text taken as a whole number; nothing when it is not one (the export is then
// not made).
std::optional<int32_t> ExportResolution(std::string_view text);

// The resolution check of the convert button: a value below 10 or above 1000 becomes "120".
std::string CheckedResolution(std::string_view text);

// The output folder text with a trailing backslash.
std::string OutputRoot(std::string_view outputFolder);

inline constexpr double kFullFillTwips = 5415;

struct ProgressDisplay {
    int percent = 0;        // 0 to 100
    double fillTwips = 0;   // width of the skinned fill
    bool complete = false;  // 100 %: "Exporting File..." instead of the percentage
};

// What the progress callback shows for pages done of first..last.
ProgressDisplay ComputeProgress(int32_t first, int32_t last, int32_t done);

// The folder name of each document of one run. Two different documents with the same base
// name would write into one folder, the later overwriting the earlier's pages, so the later
// gets the base name with " (2)", " (3)", ...; the same path queued twice keeps its folder.
class DocumentFolders {
  public:
    // The folder name (without the root) for the document at path under outputRoot.
    std::string NameFor(const std::string& outputRoot, const std::string& path,
                        const std::string& baseName);

  private:
    std::map<std::string, std::string> sourceOfFolder_;  // lower-cased folder -> path
};

// The engine's answer that a document needs a password: none was given, or the one given opens
// it neither as user nor as owner.
bool NeedsPassword(int32_t openResult);

enum class PasswordEnd { Opened, Cancelled, Failed };

struct PasswordOpen {
    PasswordEnd end = PasswordEnd::Failed;
    int32_t handle = 0;  // the last open's result: the document's handle when opened
};

// The prompts of a document that needs a password. ask shows the prompt, told whether the
// answer before was wrong, and gives the answer; open opens the document with a password. A
// wrong answer is asked for again; an empty one (a cancelled prompt, the user's choice and no
// failure) ends the asking.
PasswordOpen OpenWithPassword(const std::function<std::string(bool wrongBefore)>& ask,
                              const std::function<int32_t(const std::string& password)>& open);

// The words for a negative result of the engine's open and export calls; a failed write or
// folder names the system's reason (systemError, the engine's errno) when the engine gave one.
std::string OpenFailureText(int32_t result);
std::string ExportFailureText(int32_t result, std::optional<int> systemError = std::nullopt);

// What an export that returned result left undone, by the engine's report of it when it gives
// one: nothing when every page of the range was written.
std::optional<std::string> ExportShortfall(int32_t result,
                                           const std::optional<QuirelExportReport>& report);

}  // namespace pagelift
