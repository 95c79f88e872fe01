// The pdftk launcher of the program folder against the installed command: the same documents,
// console output and exit codes, with the class archive and when it is missing or damaged.
#include <gtest/gtest.h>

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "InfoFile.h"
#include "PdfReadBack.h"
#include "PdftkServiceAddress.h"
#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

namespace {

struct PdftkRun {
    std::string output;  // standard output and standard error, as they came
    std::optional<int> exitCode;
};

PdftkRun RunToEnd(const std::string& commandLine) {
    PdftkRun run;
    auto child = platform::ChildProcess::Start(commandLine).process;
    if (!child) return run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        auto chunk = child->Read(4096);
        if (!chunk) break;
        if (chunk->empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        run.output += *chunk;
    }
    while (child->IsAlive() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.exitCode = child->ExitCode();
    return run;
}

std::string FileBytes(const std::string& windowsPath) {
    std::ifstream in(platform::ToHostPath(windowsPath), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Page sizes and document information, as a reader sees them, without the dates pdftk stamps
// with the time of the run.
std::string Described(const std::string& windowsPath) {
    const auto contents = readback::ReadPdf(platform::ToHostPath(windowsPath));
    if (!contents) return "unreadable";
    std::ostringstream text;
    for (const auto& page : contents->pages) text << page.width << "x" << page.height << " ";
    for (const auto& [key, value] : contents->info) {
        if (!key.ends_with("Date")) text << key << "=" << value << " ";
    }
    return text.str();
}

std::string Quoted(const std::string& argument) { return "\"" + argument + "\""; }

class PdftkLauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string(PDFTK_INSTALLED).empty()) GTEST_SKIP() << "pdftk is not installed";
        ASSERT_TRUE(platform::PathExists(platform::ProgramFolder() + "\\pdftk"))
            << "the build puts the launcher in the program folder";
        platform::CreateFolder("c:\\in 文件");
        // A quote is no Windows name character: the host name holds it, the path its stand-in.
        input_ = platform::ToWindowsPath(drive_.root().host() + "/in 文件/a \"b\".pdf");
        QPdfWriter writer(QString::fromStdString(platform::ToHostPath(input_)));
        writer.setPageSize(QPageSize(QPageSize::A5));
        QPainter painter(&writer);
        painter.drawText(100, 100, "one");
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.newPage();
        painter.drawText(100, 100, "two");
    }

    // A chain run and an information run as a build makes them, and a run that fails, by one
    // program into files named by tag.
    std::vector<PdftkRun> BuildRuns(const std::string& program, const std::string& tag) {
        const std::string chain = "c:\\tmp\\" + tag + " 链.pdf";
        return {RunToEnd(Quoted(program) + " " + Quoted(input_) + " " + Quoted(input_) +
                         " cat output " + Quoted(chain) + " dont_ask"),
                RunToEnd(Quoted(program) + " " + Quoted(input_) + " update_info " +
                         imbinder::kInfoFilePath + " output " +
                         Quoted("c:\\tmp\\" + tag + " info.pdf") + " dont_ask"),
                RunToEnd(Quoted(program) + " " + Quoted("no such 文件 \\\"q\\\".pdf") +
                         " cat output c:\\tmp\\never.pdf")};
    }

    testing_support::TempCDrive drive_;
    const std::string launcher_ = platform::ProgramFolder() + "\\pdftk.exe";
    const std::string plain_ = platform::ToWindowsPath(PDFTK_INSTALLED);
    std::string input_;
};

// Installed, the service's classes are shared data outside the program folder; the build's
// jar beside the launcher still comes first.
TEST(PdftkServiceAddressTest, InstalledFolderFindsTheJarInTheSharedDataFolder) {
    testing_support::TempCDrive drive;
    const std::filesystem::path folder = drive.root().host() + "/usr/lib/pagelift-imbinder";
    std::filesystem::create_directories(folder);
    EXPECT_FALSE(imbinder::FindPdftkServiceAddress(folder)) << "no jar anywhere, no service";

    const std::filesystem::path shared = folder / imbinder::kInstalledPdftkServiceJar;
    std::filesystem::create_directories(shared.parent_path());
    std::ofstream(shared) << "classes\n";
    const auto installed = imbinder::FindPdftkServiceAddress(folder);
    ASSERT_TRUE(installed);
    EXPECT_TRUE(std::filesystem::equivalent(installed->jar, shared)) << installed->jar;
    EXPECT_FALSE(shared.lexically_normal().string().starts_with(folder.string()));

    std::ofstream(folder / "pdftk-service.jar") << "classes\n";
    const auto built = imbinder::FindPdftkServiceAddress(folder);
    ASSERT_TRUE(built);
    EXPECT_TRUE(std::filesystem::equivalent(built->jar, folder / "pdftk-service.jar"));
}

TEST_F(PdftkLauncherTest, GivesTheInstalledCommandsDocumentsOutputAndExitCodes) {
    if (!std::string(PDFTK_JAVA).empty()) {
        EXPECT_TRUE(platform::PathExists(platform::ProgramFolder() + "\\pdftk.jsa"))
            << "the build makes the class archive wherever Java runs";
    }
    platform::CreateFolder("c:\\tmp");
    ASSERT_TRUE(imbinder::WriteInfoFile(
        imbinder::kInfoFilePath, {"新PDF文件", "王 & Ann", "D:20261207213000-06'00", "", ""}));
    const std::vector<PdftkRun> plain = BuildRuns(plain_, "plain");
    const std::vector<PdftkRun> launched = BuildRuns(launcher_, "launched");

    ASSERT_EQ(plain[0].exitCode, 0) << plain[0].output;
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(launched[i].output, plain[i].output) << "run " << i;
        EXPECT_EQ(launched[i].exitCode, plain[i].exitCode) << "run " << i;
    }
    EXPECT_TRUE(launched[0].output.empty()) << "nothing of Java's own on the console";
    EXPECT_NE(plain[2].output.find("no such 文件 \"q\".pdf"), std::string::npos) << plain[2].output;
    EXPECT_NE(plain[2].exitCode, 0);
    EXPECT_EQ(Described("c:\\tmp\\launched 链.pdf"), Described("c:\\tmp\\plain 链.pdf"));
    EXPECT_NE(Described("c:\\tmp\\plain info.pdf").find("Title=新PDF文件"), std::string::npos);
    EXPECT_EQ(FileBytes("c:\\tmp\\launched info.pdf"), FileBytes("c:\\tmp\\plain info.pdf"));
}

// The runs of the service resolve relative names in the folder of the run that asked.
TEST_F(PdftkLauncherTest, RelativeNamesAreTheCurrentFoldersOwn) {
    const std::filesystem::path before = std::filesystem::current_path();
    for (const char* folder : {"c:\\one", "c:\\two"}) {
        platform::CreateFolder(folder);
        platform::CopyFile(input_, std::string(folder) + "\\in.pdf", false);
    }
    // Folder two gets a document of one page less: pages 2 to the end of the input.
    std::filesystem::current_path(platform::ToHostPath("c:\\two"));
    ASSERT_EQ(RunToEnd(Quoted(launcher_) + " in.pdf cat 2-end output short.pdf").exitCode, 0);
    std::filesystem::rename("short.pdf", "in.pdf");
    for (const auto& [folder, pages] :
         {std::pair{"c:\\one", 2u}, {"c:\\two", 1u}, {"c:\\one", 2u}}) {
        std::filesystem::current_path(platform::ToHostPath(folder));
        const PdftkRun run = RunToEnd(Quoted(launcher_) + " in.pdf cat output out.pdf");
        EXPECT_EQ(run.exitCode, 0) << folder << ": " << run.output;
        const auto out = readback::ReadPdf(platform::ToHostPath(std::string(folder) + "\\out.pdf"));
        EXPECT_EQ(out ? out->pages.size() : 0u, pages) << folder;
    }
    std::filesystem::current_path(before);
}

TEST_F(PdftkLauncherTest, MissingOrDamagedArchiveFallsBackWithTheSameResults) {
    platform::CreateFolder("c:\\program");
    const std::string launcher = "c:\\program\\pdftk-direct";
    ASSERT_TRUE(platform::CopyFile(platform::ProgramFolder() + "\\pdftk-direct", launcher, true));
    const std::string archive = "c:\\program\\pdftk.jsa";
    const std::string madeArchive = FileBytes(platform::ProgramFolder() + "\\pdftk.jsa");
    const std::vector<std::pair<std::string, std::string>> archives = {
        {"none", ""},
        {"garbage", "not a class archive\n"},
        {"cut short", madeArchive.substr(0, madeArchive.size() / 2)},
    };
    platform::CreateFolder("c:\\tmp");
    const PdftkRun plain =
        RunToEnd(Quoted(plain_) + " " + Quoted(input_) + " cat output c:\\tmp\\p.pdf");
    ASSERT_EQ(plain.exitCode, 0) << plain.output;
    for (const auto& [name, bytes] : archives) {
        platform::DeleteFile(archive);
        if (name != "none") std::ofstream(platform::ToHostPath(archive), std::ios::binary) << bytes;
        const PdftkRun launched =
            RunToEnd(Quoted(launcher) + " " + Quoted(input_) + " cat output c:\\tmp\\l.pdf");
        EXPECT_EQ(launched.output, plain.output) << name;
        EXPECT_EQ(launched.exitCode, 0) << name;
        EXPECT_EQ(Described("c:\\tmp\\l.pdf"), Described("c:\\tmp\\p.pdf")) << name;
        platform::DeleteFile("c:\\tmp\\l.pdf");
    }
}

// A service that cannot start is noticed as it ends, and the program's later runs go straight
// to pdftk-direct.
TEST_F(PdftkLauncherTest, ServiceThatDiesWhileStartingLeavesTheRunsToTheDirectWay) {
    if (std::string(PDFTK_JAVA).empty()) GTEST_SKIP() << "no Java, no service";
    platform::CreateFolder("c:\\broken");
    for (const char* file : {"pdftk", "pdftk-direct"}) {
        ASSERT_TRUE(platform::CopyFile(platform::ProgramFolder() + "\\" + file,
                                       std::string("c:\\broken\\") + file, true));
    }
    std::ofstream(platform::ToHostPath("c:\\broken\\pdftk-service.jar")) << "no classes\n";
    const auto address = imbinder::FindPdftkServiceAddress(platform::ToHostPath("c:\\broken"));
    ASSERT_TRUE(address);
    platform::CreateFolder("c:\\tmp");
    const std::string run =
        Quoted("c:\\broken\\pdftk") + " " + Quoted(input_) + " cat output c:\\tmp\\first.pdf";
    const PdftkRun plain =
        RunToEnd(Quoted(plain_) + " " + Quoted(input_) + " cat output c:\\tmp\\plain.pdf");

    const auto start = std::chrono::steady_clock::now();
    const PdftkRun first = RunToEnd(run);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10))
        << "not the twenty seconds a service may take to answer";
    EXPECT_EQ(first.exitCode, 0) << first.output;
    EXPECT_EQ(first.output, plain.output);
    EXPECT_TRUE(std::filesystem::exists(address->socket + ".failed"))
        << "the failed start is remembered for this program's later runs";
    const PdftkRun second = RunToEnd(run);
    EXPECT_EQ(second.exitCode, 0) << second.output;
    EXPECT_EQ(Described("c:\\tmp\\first.pdf"), Described("c:\\tmp\\plain.pdf"));
    std::filesystem::remove(address->socket + ".failed");
}

}  // namespace
