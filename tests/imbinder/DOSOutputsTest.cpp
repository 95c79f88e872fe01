// The command runner and its timer with real child processes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "DOSOutputs.h"
#include "clsWaitableTimer.h"
#include "platform/Platform.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/TempDrive.h"

namespace {

using Clock = std::chrono::steady_clock;
using imbinder::DOSOutputs;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// The lines child_tool writes for "write <lines>".
std::string ExpectedLines(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += (i % 2 == 0 ? "out " : "err ") + std::to_string(i) + " of the lines\n";
    }
    return text;
}

class DOSOutputsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        imbinder::WatchProcessName = "pdftk.exe";
        runner_.ReceiveOutputs = [this](const std::string& chunk) { chunks_.push_back(chunk); };
        runner_.CommandOver = [this] { ++commandsOver_; };
    }

    static std::string ChildTool(const std::string& arguments) {
        return platform::ToWindowsPath(CHILD_TOOL) + " " + arguments;
    }

    // child_tool copied under a name of its own, so no other test's process carries it.
    std::string CopyOfChildTool(const std::string& folder, const std::string& name) const {
        const std::string target = folder + "/" + name;
        std::filesystem::copy_file(CHILD_TOOL, target);
        return target;
    }

    std::string Joined() const {
        std::string all;
        for (const auto& chunk : chunks_) all += chunk;
        return all;
    }

    testing_support::TempCDrive drive_;
    testing_support::FakeDesktop desktop_;
    DOSOutputs runner_;
    std::vector<std::string> chunks_;
    int commandsOver_ = 0;
};

TEST_F(DOSOutputsTest, OutputOfBothStreamsArrivesInOrderAndWhole) {
    const std::string expected = ExpectedLines(300);
    ASSERT_GT(expected.size(), 3 * 1024u);

    const std::string result = runner_.ExecuteCommand(ChildTool("write 300"));

    EXPECT_EQ(result, expected);
    EXPECT_EQ(runner_.Outputs(), expected);
    EXPECT_EQ(Joined(), expected);
    EXPECT_GE(chunks_.size(), 4u);
    for (const auto& chunk : chunks_) EXPECT_LE(chunk.size(), 1024u);
    EXPECT_EQ(commandsOver_, 1);
    EXPECT_TRUE(desktop_.messages().empty());
}

TEST_F(DOSOutputsTest, SilentCommandRaisesOnlyCommandOver) {
    runner_.SetCommandLine(ChildTool("silent"));
    EXPECT_EQ(runner_.ExecuteCommand(), "");
    EXPECT_TRUE(chunks_.empty());
    EXPECT_EQ(commandsOver_, 1);
    EXPECT_EQ(runner_.CommandLine(), ChildTool("silent")) << "an empty argument keeps it";
}

TEST_F(DOSOutputsTest, EachRunStartsWithEmptyOutputs) {
    runner_.ExecuteCommand(ChildTool("write 2"));
    runner_.ExecuteCommand(ChildTool("silent"));
    EXPECT_EQ(runner_.Outputs(), "");
}

TEST_F(DOSOutputsTest, EmptyCommandLineIsRefusedWithItsMessage) {
    EXPECT_EQ(runner_.ExecuteCommand(), "");
    ASSERT_EQ(desktop_.messages().size(), 1u);
    EXPECT_EQ(desktop_.messages()[0].text, "Command Line empty");
    EXPECT_EQ(desktop_.messages()[0].icon, platform::MessageIcon::Critical);
    EXPECT_EQ(commandsOver_, 0);
}

TEST_F(DOSOutputsTest, MissingProgramIsReportedOnlyForTheFirstFailureSinceAReset) {
    const std::string missing = "C:\\nowhere\\missing.exe a b";
    EXPECT_EQ(runner_.ExecuteCommand(missing), "");
    EXPECT_EQ(runner_.ExecuteCommand(missing), "");
    ASSERT_EQ(desktop_.messages().size(), 1u);
    EXPECT_EQ(desktop_.messages()[0].text, "File or command not found");
    EXPECT_EQ(desktop_.messages()[0].icon, platform::MessageIcon::Critical);
    EXPECT_EQ(runner_.FailedStarts(), 2);
    EXPECT_TRUE(chunks_.empty());
    EXPECT_EQ(commandsOver_, 0);

    runner_.ResetFailedStarts();
    EXPECT_EQ(runner_.FailedStarts(), 0);
    runner_.ExecuteCommand(missing);
    EXPECT_EQ(desktop_.messages().size(), 2u);
}

TEST_F(DOSOutputsTest, PipeThatCannotBeMadeIsReportedWithTheSystemsErrorNumber) {
    // A failed start first, so that the message path has run once before no handle is left
    // (the undefined-behaviour checker needs one to check a call it has not seen yet).
    runner_.ExecuteCommand("C:\\nowhere\\missing.exe");
    runner_.ResetFailedStarts();
    // Every file handle of the process in use, so not even a pipe can be made.
    std::vector<std::FILE*> handles;
    while (handles.size() < 200000) {
        std::FILE* handle = std::fopen("/dev/null", "r");
        if (!handle) break;
        handles.push_back(handle);
    }
    const bool exhausted = handles.size() < 200000;
    if (exhausted && !handles.empty()) {  // one handle free is still not enough for a pipe
        std::fclose(handles.back());
        handles.pop_back();
    }
    const std::string result = exhausted ? runner_.ExecuteCommand(ChildTool("write 3")) : "";
    for (std::FILE* handle : handles) std::fclose(handle);
    if (!exhausted) GTEST_SKIP() << "the process may open too many files to use them all";

    EXPECT_EQ(result, "");
    ASSERT_EQ(desktop_.messages().size(), 2u);
    EXPECT_EQ(desktop_.messages()[1].text, "CreatePipe failed. Error: " + std::to_string(EMFILE));
    EXPECT_EQ(desktop_.messages()[1].icon, platform::MessageIcon::Critical);
    EXPECT_EQ(commandsOver_, 0);
}

TEST_F(DOSOutputsTest, ProgramFolderWithASpaceRunsUnquoted) {
    const std::string folder = drive_.root().MakeFolder("Program Files/imbinder");
    CopyOfChildTool(folder, "child_tool");
    platform::SetProgramFolder(folder);

    const std::string result =
        runner_.ExecuteCommand(platform::ProgramFolder() + "\\child_tool.exe write 3");

    EXPECT_EQ(result, ExpectedLines(3));
    EXPECT_TRUE(desktop_.messages().empty());
}

TEST_F(DOSOutputsTest, RunLastsUntilTheChildHasEndedAndItsLastOutputIsRead) {
    imbinder::WatchProcessName = "";  // nothing to watch: only the child counts
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(runner_.ExecuteCommand(ChildTool("late 400")), "done");
    EXPECT_GE(ElapsedMs(start), 400);
    EXPECT_EQ(commandsOver_, 1);
}

TEST_F(DOSOutputsTest, RunningProcessOfTheWatchedNameHoldsTheRun) {
    const std::string name = "held" + std::to_string(QCoreApplication::applicationPid() % 100000);
    const std::string holder = CopyOfChildTool(drive_.root().host(), name);
    auto held =
        platform::ChildProcess::Start(platform::ToWindowsPath(holder) + " sleep 700").process;
    ASSERT_TRUE(held);
    imbinder::WatchProcessName = name + ".exe";

    const Clock::time_point start = Clock::now();
    runner_.ExecuteCommand(ChildTool("silent"));

    EXPECT_GE(ElapsedMs(start), 500);
    EXPECT_FALSE(held->IsAlive()) << "the run ends only after the watched process";
}

TEST_F(DOSOutputsTest, GrandchildHoldingThePipeEndsTheRunFiveSecondsAfterTheChild) {
    imbinder::WatchProcessName = "";
    const std::string name = "dmn" + std::to_string(QCoreApplication::applicationPid() % 100000);
    const std::string daemon = CopyOfChildTool(drive_.root().host(), name);
    const std::string script = drive_.root().WriteFile(
        "leaves", "#!/bin/sh\necho started\n'" + daemon + "' sleep 20000 &\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(runner_.ExecuteCommand("C:\\leaves"), "started\n");

    EXPECT_GE(ElapsedMs(start), 5000);
    EXPECT_LT(ElapsedMs(start), 8000);
    EXPECT_EQ(commandsOver_, 1);
    EXPECT_FALSE(DOSOutputs::IsProcessRunning(name)) << "what the child left is ended";
}

// A child still working at the end of the time is ended with what it started; a process of
// the watched name that the run did not start holds the run for its time, and no longer.
TEST_F(DOSOutputsTest, RunPastItsTimeLimitIsEndedAndAStrangerHoldsItOnlyThatLong) {
    const std::string id = std::to_string(QCoreApplication::applicationPid() % 100000);
    const std::string hanging = CopyOfChildTool(drive_.root().host(), "hang" + id);
    runner_.SetTimeLimit(std::chrono::milliseconds(400));
    imbinder::WatchProcessName = "";
    Clock::time_point start = Clock::now();
    runner_.ExecuteCommand(platform::ToWindowsPath(hanging) + " sleep 20000");
    EXPECT_GE(ElapsedMs(start), 400);
    EXPECT_LT(ElapsedMs(start), 2000);
    EXPECT_TRUE(runner_.TimedOut());
    EXPECT_EQ(commandsOver_, 1);
    EXPECT_FALSE(DOSOutputs::IsProcessRunning("hang" + id));

    const std::string stranger = CopyOfChildTool(drive_.root().host(), "strange" + id);
    auto held =
        platform::ChildProcess::Start(platform::ToWindowsPath(stranger) + " sleep 20000").process;
    ASSERT_TRUE(held);
    imbinder::WatchProcessName = "strange" + id + ".exe";
    start = Clock::now();
    EXPECT_EQ(runner_.ExecuteCommand(ChildTool("write 1")), ExpectedLines(1));
    EXPECT_GE(ElapsedMs(start), 400);
    EXPECT_LT(ElapsedMs(start), 2000);
    EXPECT_FALSE(runner_.TimedOut()) << "the run's own work was done";
    EXPECT_TRUE(held->IsAlive()) << "what the run did not start is not ended";
    held->EndAll();
}

TEST_F(DOSOutputsTest, IsProcessRunningFindsAProcessByNameInAnyCase) {
    const std::string name = "look" + std::to_string(QCoreApplication::applicationPid() % 100000);
    const std::string copy = CopyOfChildTool(drive_.root().host(), name);
    EXPECT_FALSE(DOSOutputs::IsProcessRunning(name));
    auto child =
        platform::ChildProcess::Start(platform::ToWindowsPath(copy) + " sleep 5000").process;
    ASSERT_TRUE(child);

    EXPECT_TRUE(DOSOutputs::IsProcessRunning(name));
    std::string upper = name + ".EXE";
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(DOSOutputs::IsProcessRunning(upper));
    EXPECT_FALSE(DOSOutputs::IsProcessRunning(""));

    child->EndAll();
    EXPECT_FALSE(DOSOutputs::IsProcessRunning(name));
}

TEST_F(DOSOutputsTest, EventsAreDispatchedWhileACommandRuns) {
    long firedAfter = -1;
    const Clock::time_point start = Clock::now();
    QTimer::singleShot(100, [&] { firedAfter = ElapsedMs(start); });
    runner_.ExecuteCommand(ChildTool("sleep 500"));
    EXPECT_GE(firedAfter, 100);
    EXPECT_LT(firedAfter, ElapsedMs(start) - 150) << "dispatched during the run, not after it";
}

TEST_F(DOSOutputsTest, RunnerDestroyedByAnEventReturnsAtOnceAndEndsItsChild) {
    const std::string name = "gone" + std::to_string(QCoreApplication::applicationPid() % 100000);
    const std::string copy = CopyOfChildTool(drive_.root().host(), name);
    auto runner = std::make_unique<DOSOutputs>();
    bool over = false;
    runner->CommandOver = [&] { over = true; };
    QTimer::singleShot(200, [&] { runner.reset(); });
    DOSOutputs* raw = runner.get();

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(raw->ExecuteCommand(platform::ToWindowsPath(copy) + " sleep 5000"), "");

    EXPECT_LT(ElapsedMs(start), 2000);
    EXPECT_FALSE(runner);
    EXPECT_FALSE(over);
    EXPECT_FALSE(DOSOutputs::IsProcessRunning(name));
}

TEST_F(DOSOutputsTest, RunnerDestroyedWhileItsOutputIsHandledTouchesNothingMore) {
    auto runner = std::make_unique<DOSOutputs>();
    runner->ReceiveOutputs = [&](const std::string&) { runner.reset(); };
    DOSOutputs* raw = runner.get();
    EXPECT_EQ(raw->ExecuteCommand(ChildTool("write 300")), "");
    EXPECT_FALSE(runner);
}

TEST(clsWaitableTimerTest, WaitDispatchesEventsForItsWholeLength) {
    imbinder::clsWaitableTimer timer;
    bool posted = false;
    QTimer::singleShot(0, [&] { posted = true; });
    timer.Wait(0);
    EXPECT_TRUE(posted) << "Wait(0) still dispatches what has arrived";

    Clock::time_point start = Clock::now();
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    timer.Wait(50);
    EXPECT_GE(ElapsedMs(start), 50);
    EXPECT_TRUE(fired);

    long firedAfter = -1;
    start = Clock::now();
    QTimer::singleShot(10, [&] { firedAfter = ElapsedMs(start); });
    timer.Wait(300);
    EXPECT_GE(firedAfter, 10);
    EXPECT_LT(firedAfter, 200) << "the event ran during the wait, not at its end";
}

}  // namespace
