// The real program and the real engine: a document converted through the window, and the
// program started twice with commands sent through its socket.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "pagelift/frmConverter.h"
#include "platform/Platform.h"
#include "tests/engine/TestDocuments.h"
#include "tests/support/DiskLimits.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/TempDrive.h"

namespace pagelift {
namespace {

namespace fs = std::filesystem;

TEST(Program, ConvertsAThreePageDocumentToPngThroughTheWindow) {
    testing_support::TempCDrive drive;
    testing_support::FakeDesktop desktop;
    testing_support::TempFolder work;
    fs::path document = fs::path(work.host()) / "three pages.pdf";
    enginetest::WritePdf(document, {{}, {}, {}});

    frmConverter window(NewQuirelEngine());
    std::string output = platform::ToWindowsPath(work.host()) + "\\out";
    window.txtPath->setText(QString::fromStdString(output));
    window.cmbOF->setCurrentIndex(3);
    window.LV2->topLevelItem(2)->setText(1, "72");
    window.DropFiles({platform::ToWindowsPath(document.string())}, false);
    window.RunConversion();

    fs::path folder = fs::path(work.host()) / "out" / "three pages";
    EXPECT_EQ(enginetest::FileNames(folder),
              (std::vector<std::string>{"0001.png", "0002.png", "0003.png"}));
    enginetest::DecodedImage page = enginetest::Decode(folder / "0002.png");
    EXPECT_EQ(page.width, 595);
    EXPECT_EQ(page.height, 842);
    EXPECT_EQ(window.lstFile->count(), 0);
    EXPECT_EQ(window.LV->topLevelItemCount(), 0);
    EXPECT_EQ(window.lblPB->text(), QString::fromUtf8("转换完成."));
    EXPECT_EQ(desktop.shellOpens(), std::vector<std::string>{output});
    EXPECT_TRUE(desktop.messages().empty());
}

TEST(Program, PagesAFullDiskCutShortAreNamedOnTheEndMessage) {
    testing_support::TempCDrive drive;
    testing_support::FakeDesktop desktop;
    testing_support::TempFolder work;
    fs::path document = fs::path(work.host()) / "long.pdf";
    enginetest::TestPage small, large;
    small.width = small.height = 100;  // BMP files of 30 KB and 3 MB
    large.width = large.height = 1000;
    enginetest::WritePdf(document, {small, large, small});

    frmConverter window(NewQuirelEngine());
    window.txtPath->setText(QString::fromStdString(platform::ToWindowsPath(work.host())));
    window.cmbOF->setCurrentIndex(1);
    window.LV2->topLevelItem(2)->setText(1, "72");
    window.DropFiles({platform::ToWindowsPath(document.string())}, false);
    {
        const testing_support::FileSizeLimit nearlyFull(1 << 20);
        window.RunConversion();
    }

    ASSERT_EQ(desktop.messages().size(), 1u);
    const std::string& text = desktop.messages()[0].text;
    const std::string named = platform::ToWindowsPath(document.string()) + ": 只写入了 ";
    EXPECT_NE(text.find(named), std::string::npos) << text;
    EXPECT_NE(text.find("/3 页 (无法写入图像文件: 文件超过了允许的大小)"), std::string::npos)
        << text;
    for (const std::string& file : enginetest::FileNames(fs::path(work.host()) / "long"))
        EXPECT_TRUE(file == "0001.bmp" || file == "0003.bmp") << file;
}

// The program copied into a folder of its own, so that its settings land there.
class RunningProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(fs::path(work.host()) / "program");
        fs::copy_file(fs::path(PROGRAM_FOLDER) / "pagelift", Program().toStdString());
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(work.host()));
        environment.insert("XDG_DATA_HOME", QString::fromStdString(work.host() + "/data"));
    }
    QString Program() const { return QString::fromStdString(work.host() + "/program/pagelift"); }
    QString Socket() const { return QString::fromStdString(work.host() + "/pagelift.command"); }

    void Start(QProcess& process, const QStringList& arguments = {}) {
        process.setProcessEnvironment(environment);
        process.start(Program(), arguments);
        ASSERT_TRUE(process.waitForStarted(5000));
    }
    bool Send(const QByteArray& line) {
        QLocalSocket socket;
        socket.connectToServer(Socket());
        if (!socket.waitForConnected(2000)) return false;
        socket.write(line);
        socket.waitForBytesWritten(2000);
        socket.disconnectFromServer();
        return true;
    }

    testing_support::TempFolder work;
    QProcessEnvironment environment;
};

TEST_F(RunningProgram, ASecondStartEndsAtOnceAndTheFirstObeysItsSocket) {
    QProcess first;
    Start(first);
    for (int i = 0; i < 100 && !fs::exists(Socket().toStdString()); ++i) QThread::msleep(50);
    ASSERT_TRUE(fs::exists(Socket().toStdString()));

    QProcess second;
    Start(second);
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    ASSERT_TRUE(Send("menuExit\n"));
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_TRUE(fs::exists(fs::path(work.host()) / "program" / "setup.ini"));
}

// pagelift deletes its stale scratch files in c:\\tmp at start-up and when it closes; while a
// build of imbinder holds the working folders they are the build's chain files, and stay.
TEST_F(RunningProgram, ScratchFilesOfARunningBuildSurviveAStartAndAnExit) {
    const fs::path drive = fs::path(work.host()) / "data" / "converters" / "drive_c";
    const std::vector<fs::path> files = {drive / "tmp" / "tmp.pdf", drive / "tmp" / "tmp1.pdf",
                                         drive / "tmp" / "tmp2.pdf"};
    const auto startAndExit = [this] {
        QProcess program;
        Start(program);
        for (int i = 0; i < 100 && !Send("menuExit\n"); ++i) QThread::msleep(50);
        ASSERT_TRUE(program.waitForFinished(10000));
    };
    fs::create_directories(drive / "tmp");
    for (const fs::path& file : files) std::ofstream(file) << "a build's chain file";

    platform::LockAttempt build =
        platform::TryLockFile(platform::ToWindowsPath((drive / "imbinder.lock").string()));
    ASSERT_EQ(build.claim, platform::LockClaim::Taken);
    startAndExit();
    for (const fs::path& file : files) EXPECT_TRUE(fs::exists(file)) << file;

    build.lock.reset();
    startAndExit();
    for (const fs::path& file : files) EXPECT_FALSE(fs::exists(file)) << file;
}

// Files named on the command line, relative ones in the caller's folder, and the files of a
// later start, which end up in the first window: each PDF converted, nothing else taken.
TEST_F(RunningProgram, FilesOfTheCommandLineAndOfALaterStartAreConverted) {
    for (const char* engine : {"libQuirel.so", "libQuirel1.so"}) {
        fs::create_symlink(fs::path(PROGRAM_FOLDER) / engine,
                           fs::path(work.host()) / "program" / engine);
    }
    const fs::path docs = fs::path(work.host()) / "docs";
    fs::create_directories(docs / "more");
    enginetest::WritePdf(docs / "a.pdf", {{}});
    enginetest::WritePdf(docs / "more" / "b.pdf", {{}});
    std::ofstream(docs / "more" / "note.txt") << "not a document";
    enginetest::WritePdf(docs / "c\nd.pdf", {{}});
    QProcess first;
    first.setWorkingDirectory(QString::fromStdString(docs.string()));
    Start(first, {"a.pdf", "more", "missing.pdf"});
    for (int i = 0; i < 100 && !fs::exists(Socket().toStdString()); ++i) QThread::msleep(50);

    QProcess second;
    Start(second, {QString::fromStdString((docs / "c\nd.pdf").string())});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(Send("menuConvert\n"));

    const fs::path output = fs::path(work.host()) / "data" / "converters" / "drive_c" / "output";
    const std::vector<fs::path> pages = {output / "a" / "0001.jpg", output / "b" / "0001.jpg",
                                         output / "c\nd" / "0001.jpg"};
    const auto converted = [&] {
        for (const fs::path& page : pages) {
            if (!fs::exists(page)) return false;
        }
        return true;
    };
    for (int i = 0; i < 300 && !converted(); ++i) QThread::msleep(100);
    ASSERT_TRUE(converted());
    EXPECT_EQ(std::distance(fs::directory_iterator(output), fs::directory_iterator()), 3);
    ASSERT_TRUE(Send("menuExit\n"));
    EXPECT_TRUE(first.waitForFinished(10000));
}

}  // namespace
}  // namespace pagelift
