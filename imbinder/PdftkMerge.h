// The pdftk runs of a build: the page files are chained into one document, one page file per
// run, and a last run gives it the document information. Every run goes through the window's
// command runner, watching the name "pdftk.exe", and is over before the next begins.
#pragma once

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

// Chains the page files 0 to n - 1 into chain file n: page file 0 is copied to chain file 1,
// then each run adds one page and removes the chain file it read. After each run onStep gets
// the percentage done.
void ChainPageFiles(DOSOutputs& runner, int n, const std::function<void(int percent)>& onStep);
// Writes the merged file from chain file n and the information file.
void ApplyDocumentInfo(DOSOutputs& runner, int n);

}  // namespace imbinder
