// Helper programs under limits, with /bin/sh as the helper, and the module's own files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/Host.h"

namespace {

using platform::RunEnd;

platform::LimitedRunResult Shell(const std::string& script, platform::ProcessLimits limits = {},
                                 const std::function<void()>& whileWaiting = {}) {
    return platform::RunLimited("/bin/sh", {"-c", script}, limits, whileWaiting);
}

TEST(RunLimitedTest, ReportsTheExitCodeAndTheStandardOutput) {
    const auto run = Shell("echo decoded; echo hidden >&2; cat; exit 5");
    EXPECT_EQ(run.end, RunEnd::Exited);
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_EQ(run.output, "decoded\n") << "standard input is empty, standard error goes nowhere";
}

TEST(RunLimitedTest, TheChildGetsItsLimitsAndNoneOfTheCallersFiles) {
    const int open = ::open("/dev/null", O_RDONLY);  // inheritable
    ASSERT_GE(open, 3);
    const auto run = Shell("ulimit -v; ulimit -c; ls /proc/$$/fd", {uint64_t{256} << 20, {}});
    ::close(open);
    EXPECT_EQ(run.end, RunEnd::Exited);
    EXPECT_EQ(run.output, "262144\n0\n0\n1\n2\n") << "kilobytes of address space, no core file";
}

TEST(RunLimitedTest, AThreadLimitReachesTheChildInPlaceOfTheCallers) {
    setenv("OMP_THREAD_LIMIT", "8", 1);
    platform::ProcessLimits limits;
    limits.parallelThreads = 1;
    const auto limited =
        Shell("env | grep -c '^OMP_THREAD_LIMIT='; echo $OMP_THREAD_LIMIT", limits);
    const auto unlimited = Shell("echo $OMP_THREAD_LIMIT");
    unsetenv("OMP_THREAD_LIMIT");
    EXPECT_EQ(limited.output, "1\n1\n");
    EXPECT_EQ(unlimited.output, "8\n");
}

TEST(RunLimitedTest, ACrashIsReportedWithItsSignal) {
    const auto run = Shell("kill -SEGV $$");
    EXPECT_EQ(run.end, RunEnd::Crashed);
    EXPECT_EQ(run.signal, SIGSEGV);
}

TEST(RunLimitedTest, ARunPastItsTimeIsEndedWhileTheCallerKeepsBeingCalled) {
    int calls = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto run =
        Shell("echo started; exec sleep 30", {0, std::chrono::milliseconds(400)}, [&] { ++calls; });
    EXPECT_EQ(run.end, RunEnd::TimedOut);
    EXPECT_EQ(run.output, "started\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_GE(calls, 3);
    EXPECT_LE(calls, 9) << "about every 50 ms";
}

TEST(RunLimitedTest, AProgramThatIsNotThereDoesNotStart) {
    const auto run = platform::RunLimited("/nonexistent/imdecode", {}, {});
    EXPECT_EQ(run.end, RunEnd::NotStarted);
    EXPECT_NE(run.error.find("/nonexistent/imdecode"), std::string::npos);
}

TEST(ModuleFilesTest, TheModuleFolderIsTheExecutablesAndScratchFilesGoAway) {
    EXPECT_EQ(platform::ThisModuleFolder(),
              std::filesystem::canonical("/proc/self/exe").parent_path().string());
    std::string path;
    {
        const auto scratch = platform::ScratchFile::Create(".bmp");
        ASSERT_TRUE(scratch);
        path = scratch->path();
        EXPECT_TRUE(std::filesystem::is_regular_file(path));
        EXPECT_EQ(std::filesystem::path(path).extension(), ".bmp");
        EXPECT_NE(platform::ScratchFile::Create(".bmp")->path(), path);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ModuleFilesTest, AMappedFileShowsItsBytesAndOnlyRegularFilesWithBytesMap) {
    const auto scratch = platform::ScratchFile::Create(".bin");
    ASSERT_TRUE(scratch);
    EXPECT_FALSE(platform::MappedFile::Open(scratch->path())) << "an empty file";
    EXPECT_FALSE(platform::MappedFile::Open(scratch->path() + ".gone"));
    EXPECT_FALSE(platform::MappedFile::Open(std::filesystem::temp_directory_path().string()));
    std::FILE* file = std::fopen(scratch->path().c_str(), "wb");
    ASSERT_TRUE(file);
    std::fputs("BM 24", file);
    std::fclose(file);
    const auto mapped = platform::MappedFile::Open(scratch->path());
    ASSERT_TRUE(mapped);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped->data()), mapped->size()), "BM 24");
}

}  // namespace
