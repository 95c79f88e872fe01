// The pdftk runs of a build: the page files are chained into one document, one page file per
// run, and a last run gives it the document information. Every run goes through the window's
// command runner, watching the name "pdftk.exe", and is over before the next begins.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace imbinder {

class DOSOutputs;

inline constexpr const char* kMergedFilePath = "c:\\tmp\\tmpx.pdf";

// "c:\jpgtmp\" + i + ".pdf": the one-page document of image i (from 0).
std::string PageFilePath(int i);
// "c:\tmp\tmp" + k + ".pdf": the first k pages chained (from 1).
std::string ChainFilePath(int k);

// The chain file k followed by page file k gives chain file k + 1.
std::string ConcatenationCommandLine(int k);
// Chain file n with the information file gives the merged file.
std::string InformationCommandLine(int n);

// The integer part of i / (n - 1) * 100, computed exactly (n > 1).
int ProgressPercent(int i, int n);

// How long a pdftk run may take: a base, and a second more for every 10 MB it reads.
struct PdftkTime {
    std::chrono::milliseconds base{60000};
    uint64_t bytesPerSecond = 10'000'000;
};
std::chrono::milliseconds PdftkRunTime(const PdftkTime& time, uint64_t inputBytes);

// How the runs of a merge stage ended. A run that was still going at the end of its time is
// ended, with the pdftk service that held it, and no run follows it.
struct MergeRuns {
    bool timedOut = false;
    std::chrono::milliseconds limit{0};  // the time of the run that was ended
};

// Chains the page files 0 to n - 1 into chain file n: page file 0 is copied to chain file 1,
// then each run adds one page and removes the chain file it read. After each run onStep gets
// the percentage done.
MergeRuns ChainPageFiles(DOSOutputs& runner, int n, const PdftkTime& time,
                         const std::function<void(int percent)>& onStep);
// Writes the merged file from chain file n and the information file.
MergeRuns ApplyDocumentInfo(DOSOutputs& runner, int n, const PdftkTime& time);

}  // namespace imbinder
