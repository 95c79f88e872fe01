#include "PdftkMerge.h"

#include <cstdint>

#include "DOSOutputs.h"
#include "InfoFile.h"
#include "platform/Platform.h"

namespace imbinder {
namespace {

constexpr const char* kPdftkProcessName = "pdftk.exe";

std::string PdftkProgram() { return platform::ProgramFolder() + "\\pdftk.exe"; }

void RunPdftk(DOSOutputs& runner, const std::string& commandLine) {
    WatchProcessName = kPdftkProcessName;
    runner.SetCommandLine(commandLine);
    runner.ExecuteCommand();
}

}  // namespace

std::string PageFilePath(int i) { return "c:\\jpgtmp\\" + std::to_string(i) + ".pdf"; }

std::string ChainFilePath(int k) { return "c:\\tmp\\tmp" + std::to_string(k) + ".pdf"; }

std::string ConcatenationCommandLine(int k) {
    return PdftkProgram() + " " + ChainFilePath(k) + " " + PageFilePath(k) + " cat output " +
           ChainFilePath(k + 1) + " dont_ask";
}

std::string InformationCommandLine(int n) {
    return PdftkProgram() + " " + ChainFilePath(n) + " update_info " + kInfoFilePath + " output " +
           kMergedFilePath + " dont_ask";
}

int ProgressPercent(int i, int n) { return static_cast<int>(int64_t{i} * 100 / (n - 1)); }

void ChainPageFiles(DOSOutputs& runner, int n, const std::function<void(int percent)>& onStep) {
    platform::CopyFile(PageFilePath(0), ChainFilePath(1), false);
    for (int i = 1; i < n; ++i) {
        RunPdftk(runner, ConcatenationCommandLine(i));
        platform::DeleteFile(ChainFilePath(i));
        onStep(ProgressPercent(i, n));
    }
}

void ApplyDocumentInfo(DOSOutputs& runner, int n) { RunPdftk(runner, InformationCommandLine(n)); }

}  // namespace imbinder
