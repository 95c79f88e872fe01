#include "PdftkMerge.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "DOSOutputs.h"
#include "InfoFile.h"
#include "PdftkServiceAddress.h"
#include "platform/Platform.h"

namespace imbinder {
namespace {

constexpr const char* kPdftkProcessName = "pdftk.exe";

std::string PdftkProgram() { return platform::ProgramFolder() + "\\pdftk.exe"; }

uint64_t SizeOf(const std::string& path) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(platform::ToHostPath(path), error);
    return error ? 0 : size;
}

// A run that stopped answering in the service leaves the service stuck: it goes, so that the
// next run starts a new one. The service is the one of the folder the launcher really lies in.
void EndPdftkService() {
    std::error_code error;
    const std::filesystem::path launcher = std::filesystem::canonical(
        platform::ToHostPath(platform::ProgramFolder() + "\\pdftk"), error);
    if (error) return;
    const auto address = FindPdftkServiceAddress(launcher.parent_path().string());
    if (address) platform::EndLocalService(address->socket);
}

MergeRuns RunPdftk(DOSOutputs& runner, const std::string& commandLine,
                   const std::vector<std::string>& inputs, const PdftkTime& time) {
    uint64_t inputBytes = 0;
    for (const std::string& input : inputs) inputBytes += SizeOf(input);
    MergeRuns runs{false, PdftkRunTime(time, inputBytes)};
    WatchProcessName = kPdftkProcessName;
    runner.SetCommandLine(commandLine);
    runner.SetTimeLimit(runs.limit);
    runner.ExecuteCommand();
    runs.timedOut = runner.TimedOut();
    if (runs.timedOut) EndPdftkService();
    return runs;
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

std::chrono::milliseconds PdftkRunTime(const PdftkTime& time, uint64_t inputBytes) {
    const uint64_t seconds = inputBytes / std::max<uint64_t>(time.bytesPerSecond, 1);
    return time.base + std::chrono::seconds(seconds);
}

MergeRuns ChainPageFiles(DOSOutputs& runner, int n, const PdftkTime& time,
                         const std::function<void(int percent)>& onStep) {
    platform::CopyFile(PageFilePath(0), ChainFilePath(1), false);
    for (int i = 1; i < n; ++i) {
        const MergeRuns run = RunPdftk(runner, ConcatenationCommandLine(i),
                                       {ChainFilePath(i), PageFilePath(i)}, time);
        if (run.timedOut) return run;
        platform::DeleteFile(ChainFilePath(i));
        onStep(ProgressPercent(i, n));
    }
    return {};
}

MergeRuns ApplyDocumentInfo(DOSOutputs& runner, int n, const PdftkTime& time) {
    return RunPdftk(runner, InformationCommandLine(n), {ChainFilePath(n), kInfoFilePath}, time);
}

}  // namespace imbinder
