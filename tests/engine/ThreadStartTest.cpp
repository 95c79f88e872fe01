// Exports while the system refuses new threads. This program replaces pthread_create so that
// it fails from a chosen call on, as it does when a process is out of threads or memory.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "EngineFixture.h"
#include "Quirel.h"
#include "TestDocuments.h"

namespace {

std::atomic<int> threadStarts{0};
std::atomic<int> firstRefusedStart{0};  // 0: none refused

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*),
                              void* arg) noexcept {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Create next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    const int call = ++threadStarts;
    if (firstRefusedStart > 0 && call >= firstRefusedStart) return EAGAIN;
    return next(thread, attr, start, arg);
}

namespace {

using namespace enginetest;

std::vector<int32_t> doneCounts;
std::thread::id progressThread;

// Each count once: the repeats while a page takes long are left out.
int32_t RecordProgress(int32_t, int32_t, int32_t done) {
    if (doneCounts.empty() ? done != 0 : done != doneCounts.back()) doneCounts.push_back(done);
    progressThread = std::this_thread::get_id();
    return 1;
}

class ThreadStartTest : public EngineFixture {
  protected:
    void SetUp() override {
        EngineFixture::SetUp();
        std::vector<TestPage> pages(3);
        for (int n = 1; n <= 3; ++n) pages[n - 1].content = TopLeftMark(pages[n - 1], 40.0f * n);
        WritePdf(path("doc.pdf"), pages);
        handle_ = OpenPDF(path("doc.pdf").c_str(), "");
        ASSERT_GE(handle_, 1);
        doneCounts.clear();
    }
    void TearDown() override {
        firstRefusedStart = 0;
        ClosePDF(handle_);
        EngineFixture::TearDown();
    }

    // Exports all three pages with thread starts refused from call refusedFrom on; returns
    // the export's result and how many thread starts it asked for.
    std::pair<int32_t, int> exportRefusingFrom(int refusedFrom) {
        threadStarts = 0;
        firstRefusedStart = refusedFrom;
        const int32_t result =
            ExportIMG(handle_, path("out").c_str(), "", QUIREL_PNG, 36, 24, 1, 3, RecordProgress);
        firstRefusedStart = 0;
        return {result, threadStarts.load()};
    }

    void expectAllPagesWritten(int32_t result) {
        EXPECT_EQ(result, 3);
        EXPECT_EQ(FileNames(path("out")),
                  (std::vector<std::string>{"0001.png", "0002.png", "0003.png"}));
        for (int n = 1; n <= 3; ++n) {
            const std::string file = "000" + std::to_string(n) + ".png";
            EXPECT_EQ(Decode(path("out") / file).darkRunFromLeft(5), 20 * n) << file;
        }
        EXPECT_EQ(doneCounts, (std::vector<int32_t>{1, 2, 3}));
        EXPECT_EQ(progressThread, std::this_thread::get_id());
    }

    int32_t handle_ = -1;
};

TEST_F(ThreadStartTest, NoWorkerThreadAtAllLeavesTheWorkToTheCallersThread) {
    const auto [result, starts] = exportRefusingFrom(1);
    ASSERT_GE(starts, 1) << "the export did not go through the replaced pthread_create";
    expectAllPagesWritten(result);
}

TEST_F(ThreadStartTest, WorkersThatStartedTakeThePagesOfThoseThatCouldNot) {
    if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core: one worker only";
    const auto [result, starts] = exportRefusingFrom(2);
    ASSERT_GE(starts, 2);
    expectAllPagesWritten(result);
}

}  // namespace
