#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cerrno>
#include <filesystem>

#include "RecordingEngine.h"
#include "pagelift/Shared.h"
#include "pagelift/frmConverter.h"
#include "platform/Platform.h"
#include "tests/support/FakeCommandChannel.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/FakeModals.h"
#include "tests/support/TempDrive.h"

namespace pagelift {
namespace {

using pagelifttest::Doc;
using testing_support::FakeModals;
using Strings = std::vector<std::string>;

class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetProgramFolder(programFolder.host());
        NewWindow();
    }
    void TearDown() override { platform::SetProgramFolder(PROGRAM_FOLDER); }

    void NewWindow() {
        window.reset();
        auto recording = std::make_unique<pagelifttest::RecordingEngine>();
        engine = recording.get();
        window = std::make_unique<frmConverter>(std::move(recording), &commands);
        window->endProgram = [this] { ++programEnds; };
    }

    // Queues documents the engine knows, by dropping them on the list.
    void Queue(const Strings& paths) { window->DropFiles(paths, false); }

    Strings Rows() const {
        Strings rows;
        for (int i = 0; i < window->LV->topLevelItemCount(); ++i) {
            rows.push_back(window->LV->topLevelItem(i)->text(0).toStdString());
        }
        return rows;
    }
    Strings Entries() const {
        Strings entries;
        for (int i = 0; i < window->lstFile->count(); ++i) {
            entries.push_back(window->lstFile->item(i)->text().toStdString());
        }
        return entries;
    }
    void SetOption(int row, const char* value) {
        window->LV2->topLevelItem(row - 1)->setText(1, QString::fromUtf8(value));
    }
    void SelectRow(int index) { window->LV->setCurrentItem(window->LV->topLevelItem(index)); }

    testing_support::TempCDrive drive;
    testing_support::TempFolder programFolder;
    testing_support::FakeDesktop desktop;
    FakeModals modals;
    testing_support::FakeCommandChannel commands;
    pagelifttest::RecordingEngine* engine = nullptr;
    std::unique_ptr<frmConverter> window;
    int programEnds = 0;
};

TEST_F(Window, StartsWithTheDefaultsOfAFreshProgram) {
    EXPECT_EQ(window->windowTitle(), "Pagelift");
    EXPECT_EQ(window->txtPath->text(), "C:\\output");
    EXPECT_EQ(window->cmbOF->currentIndex(), 0);
    ASSERT_EQ(window->LV2->topLevelItemCount(), 3);
    EXPECT_EQ(window->LV2->topLevelItem(1)->text(1), QString::fromUtf8("最后一页"));
    EXPECT_EQ(window->CmdToolsBar[6]->geometry(), QRect(282, 0, 95, 66));  // 4230 twips
    EXPECT_EQ(window->LV->geometry(), QRect(14, 86, 455, 317));
}

TEST_F(Window, JobListsStayPairedUnderEveryCommand) {
    programFolder.WriteFile("in/a.pdf");
    programFolder.WriteFile("in/b.PDF");
    programFolder.WriteFile("in/c.txt");
    programFolder.WriteFile("in/notapdf");
    std::string in = programFolder.windows() + "\\in";
    desktop.nextOpenFile("C:\\docs\\one.pdf");
    desktop.nextOpenFile("C:\\docs\\one.pdf");
    window->CmdToolsBar_Click(0);
    window->CmdToolsBar_Click(0);
    desktop.nextFolder(in);
    window->CmdToolsBar_Click(1);
    window->DropFiles({"Z:\\d\\x.pdf", "Z:\\d\\y.png", "Z:\\d\\z.PDF"}, false);
    Strings rows = Rows();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], rows[1]);  // the same file twice is queued twice
    EXPECT_EQ(Strings(rows.begin() + 5, rows.end()), (Strings{"Z:\\d\\x.pdf", "Z:\\d\\z.PDF"}));
    for (int i = 0; i < 7; ++i) EXPECT_EQ(window->LV->topLevelItem(i)->text(1), "PDF");
    EXPECT_EQ(Entries(), rows);
    EXPECT_FALSE(window->picDoor->isVisible());

    SelectRow(2);  // row 3
    window->CmdToolsBar_Click(2);
    rows.erase(rows.begin() + 2);
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(Entries(), rows);

    window->CmdToolsBar_Click(6);
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(window->picText->isHidden());

    Queue({"Z:\\a.pdf"});
    SelectRow(0);
    commands.Send("RemoveSelected");
    EXPECT_TRUE(Entries().empty());
    EXPECT_FALSE(window->picText->isHidden());
    EXPECT_EQ(window->lblText->text(), "Drag & Drop Files Here");
    EXPECT_TRUE(window->txtAction->text().isEmpty());
}

TEST_F(Window, StartWithAnEmptyListOnlyAsksForAFile) {
    window->CmdToolsBar_Click(3);
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.messages()[0].text, "请先添加一个PDF文件");
    EXPECT_EQ(desktop.messages()[0].title, "添加");
    EXPECT_FALSE(window->Timer1->isActive());
}

TEST_F(Window, ConvertsADocumentAndGivesTheWindowBack) {
    engine->documents["C:\\docs\\report.final.pdf"] = Doc(10);
    Queue({"C:\\docs\\report.final.pdf"});
    window->cmbOF->setCurrentIndex(3);  // a format change brings the default options back
    SetOption(1, "2");
    SetOption(3, "150");
    window->CmdToolsBar_Click(3);
    EXPECT_TRUE(window->Timer1->isActive());
    QTRY_VERIFY(!window->Timer1->isActive() && !window->IsRunning());

    EXPECT_EQ(engine->calls,
              (Strings{"OpenPDF(C:\\docs\\report.final.pdf,)", "ClosePDF(1)",
                       "OpenPDF(C:\\docs\\report.final.pdf,)", "GetPageNum(2)",
                       "ExportIMG(2,C:\\output\\report\\,,4,150,24,2,10)", "ClosePDF(2)"}));
    EXPECT_TRUE(platform::IsFolder("C:\\output\\report"));
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(window->lblPB->text(), QString::fromUtf8("转换完成."));
    EXPECT_EQ(window->imgPBWidthTwips(), 0);
    EXPECT_EQ(desktop.shellOpens(), Strings{"C:\\output"});
    EXPECT_EQ(desktop.soundsPlayed(), Strings{programFolder.windows() + "\\sound.wav"});
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_TRUE(window->cmdConvert->isEnabled());
    EXPECT_TRUE(window->CmdToolsBar[3]->isEnabled());
}

TEST_F(Window, ProgressShowsPercentAndThenExportingFile) {
    window->ExportProgress(1, 4, 2);
    EXPECT_EQ(window->lblPB->text(), "50%");
    EXPECT_EQ(window->imgPBWidthTwips(), 2707.5);
    EXPECT_EQ(window->pb->value(), 50);
    window->ExportProgress(1, 4, 4);
    EXPECT_EQ(window->lblPB->text(), "Exporting File...");
    EXPECT_EQ(window->pb->value(), 100);
    EXPECT_TRUE(desktop.detachedStarts().empty());  // no pro.exe beside the program
    programFolder.WriteFile("pro.exe");
    window->ExportProgress(1, 4, 3);
    window->ExportProgress(1, 4, 4);
    EXPECT_EQ(desktop.detachedStarts(), Strings{programFolder.windows() + "\\pro.exe"});
}

TEST_F(Window, PasswordsWrongThenRightAndACancelledPrompt) {
    engine->documents["C:\\a.pdf"] = Doc(2, " pw ");
    engine->documents["C:\\b.pdf"] = Doc(2, "other");
    engine->documents["C:\\c.pdf"] = Doc(1);
    Queue({"C:\\a.pdf", "C:\\b.pdf", "C:\\c.pdf"});
    std::vector<bool> notices;
    auto answer = [&](const std::string& password) {
        return [&, password](QDialog& prompt) {
            notices.push_back(prompt.findChild<QLabel*>("lblPWD")->isVisible());
            EXPECT_TRUE(prompt.findChild<QLineEdit*>("txtPWD")->text().isEmpty());
            if (password.empty()) return FakeModals::Click(prompt, "cmdCancel");
            FakeModals::Type(prompt, "txtPWD", password);
            FakeModals::Click(prompt, "cmdOK");
        };
    };
    modals.next([](QDialog& prompt) { FakeModals::Click(prompt, "cmdOK"); });  // empty
    modals.next(answer("wrong"));
    modals.next(answer(" pw "));
    modals.next(answer(""));
    window->RunConversion();

    EXPECT_EQ(notices, (std::vector<bool>{false, true, false}));
    ASSERT_FALSE(desktop.messages().empty());
    EXPECT_EQ(desktop.messages()[0].text, "密码为空");
    EXPECT_EQ(desktop.messages()[0].title, "空");
    EXPECT_EQ(desktop.messages().size(), 1u);  // a cancelled prompt is not reported
    EXPECT_EQ(engine->CallsWith("OpenPDF(C:\\a.pdf, pw )").size(), 2u);  // blanks kept
    EXPECT_EQ(engine->CallsWith("Export").size(), 2u);                   // a and c
    EXPECT_TRUE(engine->CallsWith("ExportIMG").back().find("C:\\output\\c\\") != std::string::npos);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(Window, DocumentsThatProduceNothingAreListedAtTheEnd) {
    engine->documents["C:\\bad.pdf"] = Doc(1, "", true);
    engine->documents["C:\\full.pdf"] = Doc(3, "", false, QUIREL_WRITE_ERROR);
    engine->documents["C:\\good.pdf"] = Doc(3);
    engine->documents["C:\\cut.pdf"] = Doc(117);
    engine->documents["C:\\cut.pdf"].pagesWritten = 1;
    engine->documents["C:\\cut.pdf"].systemError = ENOSPC;
    Queue({"C:\\bad.pdf", "C:\\full.pdf", "C:\\good.pdf", "C:\\cut.pdf"});
    window->RunConversion();
    EXPECT_EQ(engine->CallsWith("ExportIMG").size(), 3u);
    ASSERT_EQ(desktop.messages().size(), 1u);
    const std::string& text = desktop.messages()[0].text;
    EXPECT_NE(text.find("C:\\bad.pdf: 无法打开"), std::string::npos);
    EXPECT_NE(text.find("C:\\full.pdf: 无法写入图像文件"), std::string::npos);
    EXPECT_NE(text.find("C:\\cut.pdf: 只写入了 1/117 页 (无法写入图像文件: 磁盘空间不足)"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("good"), std::string::npos);
    EXPECT_EQ(window->lblPB->text(), QString::fromUtf8("转换完成."));
}

TEST_F(Window, AnEngineThatCannotLoadIsNamedWithTheLoadersReasonAndTheListKept) {
    engine->unloadableLibrary = {"libQuirel.so", "libQuirel.so: undefined symbol: fz_x", true};
    Queue({"C:\\a.pdf"});
    window->RunConversion();
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.messages()[0].text,
              "无法加载页面渲染引擎 libQuirel.so, 没有转换任何文件。\n"
              "它在程序文件夹中, 但系统无法加载它:\nlibQuirel.so: undefined symbol: fz_x");
    EXPECT_EQ(desktop.messages()[0].icon, platform::MessageIcon::Critical);
    EXPECT_EQ(Entries(), Strings{"C:\\a.pdf"});
    EXPECT_TRUE(engine->calls.empty());
    EXPECT_TRUE(window->cmdConvert->isEnabled());
}

TEST_F(Window, RemovingTheDocumentBeingExportedTakesNoOtherOffTheList) {
    for (const char* path : {"C:\\a.pdf", "C:\\b.pdf", "C:\\c.pdf"})
        engine->documents[path] = Doc(2);
    Queue({"C:\\a.pdf", "C:\\b.pdf", "C:\\c.pdf"});
    engine->duringExport = [&] {
        engine->duringExport = nullptr;
        SelectRow(0);  // the document being exported
        window->CmdToolsBar_Click(2);
    };
    window->RunConversion();
    EXPECT_EQ(engine->CallsWith("ExportIMG").size(), 3u);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(Window, SameBaseNamesFromTwoFoldersKeepTheirOwnPages) {
    engine->documents["C:\\in\\a.old.pdf"] = Doc(1);
    engine->documents["Z:\\x\\a.pdf"] = Doc(1);
    Queue({"C:\\in\\a.old.pdf", "Z:\\x\\a.pdf", "C:\\in\\a.old.pdf"});
    window->RunConversion();
    Strings exports = engine->CallsWith("ExportIMG");
    ASSERT_EQ(exports.size(), 3u);
    EXPECT_NE(exports[0].find("C:\\output\\a\\,"), std::string::npos);
    EXPECT_NE(exports[1].find("C:\\output\\a (2)\\,"), std::string::npos);
    EXPECT_NE(exports[2].find("C:\\output\\a\\,"), std::string::npos);
}

TEST_F(Window, ResolutionIsCheckedOnlyByTheConvertButton) {
    engine->documents["C:\\a.pdf"] = Doc(1);
    Queue({"C:\\a.pdf"});
    SetOption(3, "5");
    window->cmdConvert_Click();
    QTRY_VERIFY(!window->Timer1->isActive() && !window->IsRunning());
    EXPECT_NE(engine->CallsWith("ExportIMG").at(0).find(",2,120,24,"), std::string::npos);

    Queue({"C:\\a.pdf"});
    SetOption(3, "1500");
    window->RunConversion();
    EXPECT_NE(engine->CallsWith("ExportIMG").at(1).find(",2,1500,24,"), std::string::npos);

    Queue({"C:\\a.pdf"});
    SetOption(3, "");
    window->RunConversion();
    EXPECT_EQ(engine->CallsWith("ExportIMG").size(), 2u);
    EXPECT_TRUE(Entries().empty());
    EXPECT_NE(desktop.messages().back().text.find("精度"), std::string::npos);
}

TEST_F(Window, TiffGoesThroughTheSecondLibraryCall) {
    engine->documents["C:\\a.pdf"] = Doc(3);
    Queue({"C:\\a.pdf"});
    window->cmbOF->setCurrentIndex(4);
    window->RunConversion();
    EXPECT_EQ(engine->CallsWith("ExportTIF"),
              Strings{"ExportTIF(2,C:\\output\\a\\,,120,120,1,3,1,0)"});
}

TEST_F(Window, SettingsAreWrittenAtExitAndReadAtStartUp) {
    window->txtPath->setText("D:\\pics");
    window->cmbOF->setCurrentIndex(4);
    commands.Send("menuExit");
    EXPECT_EQ(programEnds, 1);
    EXPECT_EQ(platform::ReadWholeFile(programFolder.windows() + "\\setup.ini").bytes,
              "\"\"\r\n\"\"\r\n\"\"\r\n\"D:\\pics\"\r\n\"4\"\r\n");
    NewWindow();
    EXPECT_EQ(window->txtPath->text(), "D:\\pics");
    EXPECT_EQ(window->cmbOF->currentText(), QString::fromUtf8("TIF 文件(*.tif)"));

    programFolder.WriteFile("setup.ini", "\"\"\r\n\"\"\r\n\"\"\r\n");
    programFolder.WriteFile("options.ini", "\"1\"\r\n");
    NewWindow();
    EXPECT_EQ(window->txtPath->text(), "C:\\output");
    EXPECT_EQ(window->cmbOF->currentIndex(), 0);
    Queue({"C:\\a.pdf"});
    window->RunConversion();
    EXPECT_TRUE(desktop.soundsPlayed().empty());
}

// Installed, the program folder is the system's, whoever runs the program (root too): the
// settings go to the user's configuration folder and come back from there, and a default
// shipped in the program folder is read until the user has settings of their own.
TEST_F(Window, InstalledSettingsLiveInTheUsersConfigurationFolder) {
    testing_support::TempFolder config;
    const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.host()));
    programFolder.WriteFile("installed", "an installed program folder\n");
    programFolder.WriteFile("setup.ini", "\"\"\r\n\"\"\r\n\"\"\r\n\"D:\\shipped\"\r\n\"2\"\r\n");
    NewWindow();
    EXPECT_EQ(window->txtPath->text(), "D:\\shipped");

    window->txtPath->setText("D:\\mine");
    commands.Send("menuExit");
    EXPECT_TRUE(std::filesystem::exists(config.host() + "/pagelift/setup.ini"));
    EXPECT_EQ(platform::ReadWholeFile(programFolder.windows() + "\\setup.ini").bytes,
              "\"\"\r\n\"\"\r\n\"\"\r\n\"D:\\shipped\"\r\n\"2\"\r\n")
        << "nothing is written to the program folder";
    NewWindow();
    EXPECT_EQ(window->txtPath->text(), "D:\\mine");
    qputenv("XDG_CONFIG_HOME", configBefore);
}

TEST_F(Window, ExitDuringARunEndsTheProgramWithTheSettingsWritten) {
    engine->documents["C:\\a.pdf"] = Doc(3);
    Queue({"C:\\a.pdf"});
    engine->duringExport = [&] {
        commands.Send("menuConvert");  // no second run inside the first
        commands.Send("menuExit");
        EXPECT_EQ(programEnds, 1);
    };
    window->RunConversion();
    EXPECT_EQ(engine->CallsWith("OpenPDF").size(), 2u);
    EXPECT_TRUE(platform::PathExists(programFolder.windows() + "\\setup.ini"));
}

TEST_F(Window, ValueEditorResetsWhatIsNotDigits) {
    window->LV2->setCurrentItem(window->LV2->topLevelItem(2));
    window->OpenValueEditor();
    EXPECT_TRUE(window->txtValue->isVisibleTo(window.get()));
    window->txtValue->setText("12a");
    EXPECT_EQ(window->LV2->topLevelItem(2)->text(1), "1");
    EXPECT_EQ(window->txtValue->text(), "12a");
    window->txtValue->setText("150");
    EXPECT_EQ(window->LV2->topLevelItem(2)->text(1), "150");
    window->LV2->setCurrentItem(window->LV2->topLevelItem(1));
    window->OpenValueEditor();
    window->txtValue->setText("x");
    EXPECT_EQ(window->LV2->topLevelItem(1)->text(1), QString::fromUtf8("最后一页"));

    window->cmbOF->setCurrentIndex(2);
    EXPECT_FALSE(window->txtValue->isVisibleTo(window.get()));
    EXPECT_EQ(window->LV2->topLevelItem(2)->text(1), "120");
}

TEST_F(Window, HoverCaptionFocusSweepAndTheAboutBoxes) {
    window->show();
    QApplication::setActiveWindow(window.get());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(window->CmdToolsBar[1], &enter);
    EXPECT_EQ(window->lblButton->text(), QString::fromUtf8("[ 添加文件夹 ]"));
    QTest::mouseMove(window->centralWidget(), QPoint(700, 470));
    EXPECT_TRUE(window->lblButton->text().isEmpty());

    window->txtPath->setText("D:\\elsewhere");
    window->cmdBrowse_Click();  // cancelled
    EXPECT_EQ(window->txtPath->text(), "C:\\output");
    EXPECT_TRUE(window->CmdToolsBar[5]->hasFocus());

    commands.Send("A");
    commands.Send("menuOption");
    commands.Send("menuHelp");
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(
        std::count(desktop.messages()[0].text.begin(), desktop.messages()[0].text.end(), '\n'), 2);
    EXPECT_EQ(desktop.shellOpens(), Strings{ProductWebAddress()});
    EXPECT_EQ(ProductWebAddress().rfind("file://", 0), 0u);
}

// The keyboard goes only where a person sees something: the guide's link is one stop that
// Enter opens, and the list under the welcome panel shows itself when the focus reaches it.
TEST_F(Window, TabReachesOnlyWhatIsSeen) {
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(window->lblWeb->text().contains(QString::fromUtf8("用户指南")), true);
    EXPECT_EQ(window->lblWeb->toolTip().toStdString(), ProductWebAddress());

    window->cmdConvert->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->lblWeb);
    QTest::keyClick(window->lblWeb, Qt::Key_Return);
    EXPECT_EQ(desktop.shellOpens(), Strings{ProductWebAddress()});
    QTest::keyClick(window->lblWeb, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->CmdToolsBar[0]);

    ASSERT_TRUE(window->picDoor->isVisible());
    window->ImgFormat[4]->setFocus();
    QTest::keyClick(window->ImgFormat[4], Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->LV);
    EXPECT_FALSE(window->picDoor->isVisible());
}

}  // namespace
}  // namespace pagelift
