#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/Platform.h"
#include "tests/support/ChineseCodePage.h"
#include "tests/support/TempDrive.h"

using testing_support::TempCDrive;
using testing_support::TempFolder;

namespace {

std::string WriteScript(const TempFolder& folder, const std::string& name,
                        const std::string& body) {
    std::string path = folder.WriteFile(name, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
}

// Everything the child writes, until the pipe ends.
std::string ReadToEnd(platform::ChildProcess& child) {
    std::string all;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        auto chunk = child.Read(1024);
        if (!chunk) break;
        if (chunk->empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_LE(chunk->size(), 1024u);
        all += *chunk;
    }
    return all;
}

// A copy of sleep under a name no other program uses.
std::string UniqueSleeper(const TempFolder& folder) {
    std::string name = "slp" + std::to_string(getpid() % 100000);
    std::string path = folder.host() + "/" + name;
    std::filesystem::copy_file("/bin/sleep", path);
    chmod(path.c_str(), 0755);
    return path;
}

bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

TEST(CommandLine, SplitsAsWindowsDoes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(platform::SplitCommandLine(""), V{});
    EXPECT_EQ(platform::SplitCommandLine("  a  b\tc "), (V{"a", "b", "c"}));
    EXPECT_EQ(platform::SplitCommandLine("\"C:\\Program Files\\x.exe\" \"a b\" c"),
              (V{"C:\\Program Files\\x.exe", "a b", "c"}));
    EXPECT_EQ(platform::SplitCommandLine("p a\\\\b \\\"q\\\" \"\""),
              (V{"p", "a\\\\b", "\"q\"", ""}));
    EXPECT_EQ(platform::SplitCommandLine("p \"x\\\\\" y"), (V{"p", "x\\", "y"}));
    EXPECT_EQ(platform::SplitCommandLine("p \"say \"\"hi\"\"\""), (V{"p", "say \"hi\""}));
    EXPECT_EQ(platform::SplitCommandLine("C:\\dir\\p.exe C:\\in\\"),
              (V{"C:\\dir\\p.exe", "C:\\in\\"}));
}

TEST(CommandLine, ProgramFolderExeFallsBackToTheSearchPathAndDrivePathsAreTranslated) {
    TempCDrive drive;
    std::string line = platform::ProgramFolder() + "\\sh.exe -c C:\\tmp\\a.pdf output Z:\\x";
    auto resolved = platform::ResolveCommandLine(line);
    ASSERT_EQ(resolved.size(), 5u);
    EXPECT_EQ(std::filesystem::path(resolved[0]).filename(), "sh");
    EXPECT_EQ(resolved[2], drive.root().host() + "/tmp/a.pdf");
    EXPECT_EQ(resolved[3], "output");
    EXPECT_EQ(resolved[4], "/x");
    EXPECT_EQ(platform::ResolveCommandLine("sh D:\\data")[1], "D:\\data") << "no such drive";
    EXPECT_TRUE(platform::ResolveCommandLine("C:\\no\\such\\tool.exe a").empty());
    EXPECT_TRUE(platform::ResolveCommandLine("no-such-tool-here.exe").empty());
}

TEST(CommandLine, ProgramInAFolderWithASpaceIsFound) {
    TempCDrive drive;
    drive.root().MakeFolder("my tools");
    WriteScript(drive.root(), "my tools/hello", "echo hello");
    auto child = platform::ChildProcess::Start("\"C:\\my tools\\hello.exe\"").process;
    ASSERT_TRUE(child);
    EXPECT_EQ(ReadToEnd(*child), "hello\n");
}

// Paths are the bytes the file system holds, whatever the code page: the program in a Chinese
// folder starts, and the path it is given names the file that is there.
TEST(ChildProcess, HostPathsReachTheChildAsTheirBytesUnderTheChineseCodePage) {
    TempCDrive drive;
    testing_support::ChineseCodePage gbk;
    ASSERT_TRUE(gbk.active());
    const std::string root = drive.root().host();
    drive.root().WriteFile("工具/输入.pdf");
    WriteScript(drive.root(), "工具/show",
                "printf '%s\\n' \"$0\" \"$1\"; test -f \"$1\" && echo found");
    auto child = platform::ChildProcess::Start("C:\\工具\\show.exe C:\\工具\\输入.pdf").process;
    ASSERT_TRUE(child) << "a program in a Chinese folder starts";
    EXPECT_EQ(ReadToEnd(*child), root + "/工具/show\n" + root + "/工具/输入.pdf\nfound\n");
}

TEST(ChildProcess, StdoutAndStderrArriveWholeAndInOrderThroughOnePipe) {
    TempCDrive drive;
    WriteScript(drive.root(), "talk",
                "i=0; while [ $i -lt 300 ]; do echo \"line $i\"; i=$((i+1)); done\n"
                "echo to-stderr >&2\necho last");
    auto child = platform::ChildProcess::Start("C:\\talk").process;
    ASSERT_TRUE(child);
    std::string output = ReadToEnd(*child);
    EXPECT_GT(output.size(), 1024u);
    EXPECT_EQ(output.substr(0, 7), "line 0\n");
    EXPECT_NE(output.find("line 299\nto-stderr\nlast\n"), std::string::npos);
    EXPECT_TRUE(WaitUntil([&] { return !child->IsAlive(); }));
    EXPECT_EQ(child->ExitCode(), 0);
}

TEST(ChildProcess, CountsWaitingBytesAndReportsWhileAlive) {
    TempCDrive drive;
    WriteScript(drive.root(), "slow", "printf abc; sleep 0.5; exit 3");
    auto child = platform::ChildProcess::Start("C:\\slow").process;
    ASSERT_TRUE(child);
    EXPECT_TRUE(WaitUntil([&] { return child->BytesWaiting() == 3; }));
    EXPECT_TRUE(child->IsAlive());
    EXPECT_EQ(child->Read(2), "ab");
    EXPECT_EQ(child->BytesWaiting(), 1u);
    EXPECT_EQ(ReadToEnd(*child), "c");
    EXPECT_TRUE(WaitUntil([&] { return !child->IsAlive(); }));
    EXPECT_EQ(child->ExitCode(), 3);
}

TEST(ChildProcess, MissingProgramDoesNotStart) {
    TempCDrive drive;
    const platform::ChildStart missing = platform::ChildProcess::Start("C:\\missing.exe");
    EXPECT_FALSE(missing.process);
    EXPECT_FALSE(missing.error.empty());
    EXPECT_FALSE(platform::ChildProcess::Start("").process);
}

TEST(ChildProcess, ChildStillRunningWhenReleasedIsReapedLater) {
    TempCDrive drive;
    WriteScript(drive.root(), "brief", "sleep 0.2");
    int64_t id = 0;
    {
        auto child = platform::ChildProcess::Start("C:\\brief").process;
        ASSERT_TRUE(child);
        id = child->id();
    }
    std::string proc = "/proc/" + std::to_string(id);
    EXPECT_TRUE(WaitUntil([&] {
        platform::RunningProcesses();
        return !std::filesystem::exists(proc);
    })) << "an ended child must not stay a zombie";
}

TEST(ChildProcess, EndAllEndsTheWholeGroup) {
    TempCDrive drive;
    TempFolder bin;
    std::string sleeper = UniqueSleeper(bin);
    std::string name = std::filesystem::path(sleeper).filename();
    WriteScript(drive.root(), "parent", "'" + sleeper + "' 30\necho never");
    auto child = platform::ChildProcess::Start("C:\\parent").process;
    ASSERT_TRUE(child);
    ASSERT_TRUE(WaitUntil([&] { return !platform::FindProcesses(name).empty(); }));
    child->EndAll();
    EXPECT_FALSE(child->IsAlive());
    EXPECT_TRUE(WaitUntil([&] { return platform::FindProcesses(name).empty(); }))
        << "the grandchild must not be orphaned";
}

// As root, the next process can be given a chosen id, the way another program's process comes
// to carry an id this program once started.
bool NextProcessGetsId(int64_t id) {
    std::ofstream lastId("/proc/sys/kernel/ns_last_pid");
    lastId << id - 1 << std::flush;
    return static_cast<bool>(lastId);
}

TEST(ChildProcess, EndAllNeverSignalsAGroupWhoseLeaderIsGone) {
    TempCDrive drive;
    TempFolder bin;
    const std::string sleeper = platform::ToWindowsPath(UniqueSleeper(bin)) + " 30";
    WriteScript(drive.root(), "brief", "exit 4");
    auto child = platform::ChildProcess::Start("C:\\brief").process;
    ASSERT_TRUE(child);
    ASSERT_TRUE(WaitUntil([&] { return !child->IsAlive(); }));
    EXPECT_EQ(child->ExitCode(), 4);
    const std::string proc = "/proc/" + std::to_string(child->id());
    EXPECT_TRUE(std::filesystem::exists(proc)) << "its id is held until its group is ended";
    child->EndAll();
    EXPECT_FALSE(std::filesystem::exists(proc)) << "reaped once its group is ended";

    std::unique_ptr<platform::ChildProcess> other;
    for (int attempt = 0; attempt < 20 && (!other || other->id() != child->id()); ++attempt) {
        if (other) other->EndAll();
        if (!NextProcessGetsId(child->id())) GTEST_SKIP() << "process ids cannot be chosen";
        other = platform::ChildProcess::Start(sleeper).process;
        ASSERT_TRUE(other);
    }
    if (other->id() != child->id()) {
        other->EndAll();
        GTEST_SKIP() << "another process took the id first";
    }
    child->EndAll();
    EXPECT_TRUE(other->IsAlive()) << "the new owner of the group id was signalled";
    other->EndAll();
}

TEST(Processes, NamesMatchWithoutCaseAndWithoutExe) {
    EXPECT_TRUE(platform::ProcessNameMatches("pdftk.exe", "pdftk"));
    EXPECT_TRUE(platform::ProcessNameMatches("PRO.EXE", "pro.exe"));
    EXPECT_TRUE(platform::ProcessNameMatches("pro", "Pro"));
    EXPECT_FALSE(platform::ProcessNameMatches("pro", "pro.exe.bak"));
    EXPECT_FALSE(platform::ProcessNameMatches("", ""));
    EXPECT_FALSE(platform::ProcessNameMatches("pro.exe", "prox"));
}

TEST(Processes, DetachedProgramIsFoundByNameAndEnded) {
    TempCDrive drive;
    TempFolder bin;
    std::string sleeper = UniqueSleeper(bin);
    std::string name = std::filesystem::path(sleeper).filename();
    EXPECT_TRUE(platform::FindProcesses(name + ".exe").empty());
    ASSERT_TRUE(platform::LaunchDetached(platform::ToWindowsPath(sleeper) + ".exe 30"));
    ASSERT_TRUE(WaitUntil([&] { return platform::FindProcesses(name + ".exe").size() == 1; }));
    for (int64_t id : platform::FindProcesses(name + ".exe")) EXPECT_TRUE(platform::EndProcess(id));
    EXPECT_TRUE(WaitUntil([&] { return platform::FindProcesses(name).empty(); }));
    EXPECT_FALSE(platform::LaunchDetached("C:\\missing.exe"));
}

TEST(Processes, LongNamesAreNotCutShort) {
    TempCDrive drive;
    TempFolder bin;
    std::string name = "longsleepername" + std::to_string(getpid() % 100000);
    std::string path = bin.host() + "/" + name;
    std::filesystem::copy_file("/bin/sleep", path);
    ASSERT_TRUE(platform::LaunchDetached(platform::ToWindowsPath(path) + " 30"));
    ASSERT_TRUE(WaitUntil([&] { return platform::FindProcesses(name).size() == 1; }));
    for (int64_t id : platform::FindProcesses(name)) platform::EndProcess(id);
}
