// The skin engine as the programs use it: loaded by name from the program folder into the
// running application.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

namespace {

const QString kOwnSheet = "QLabel { color: red; }";

struct Skin {
    std::unique_ptr<platform::Library> library;
    int (*attach)() = nullptr;
    int (*detach)() = nullptr;
    int (*aero)(intptr_t) = nullptr;
    int (*aeroAdjust)(int, int, int, int, int, int, int, int, int) = nullptr;
};

// Loads the engine from a program folder, as the windows do at start-up.
Skin LoadFrom(const std::string& programFolder) {
    platform::SetProgramFolder(programFolder);
    Skin skin;
    skin.library = platform::Library::Load("SkinH.dll").library;
    platform::SetProgramFolder(PROGRAM_FOLDER);
    if (!skin.library) return skin;
    skin.attach = skin.library->Function<int (*)()>("SkinH_Attach");
    skin.detach = skin.library->Function<int (*)()>("SkinH_Detach");
    skin.aero = skin.library->Function<int (*)(intptr_t)>("SkinH_Aero");
    skin.aeroAdjust = skin.library->Function<int (*)(int, int, int, int, int, int, int, int, int)>(
        "SkinH_Aero_Adjust");
    return skin;
}

QString ReadSheet(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class SkinHTest : public ::testing::Test {
  protected:
    void SetUp() override { qApp->setStyleSheet(kOwnSheet); }
    void TearDown() override {
        Skin skin = LoadFrom(PROGRAM_FOLDER);
        if (skin.detach != nullptr) skin.detach();  // after a failed check, too
        qApp->setStyleSheet(QString());
    }
};

TEST_F(SkinHTest, AttachAppliesTheSheetBesideItAndDetachGivesTheOldOneBack) {
    Skin skin = LoadFrom(PROGRAM_FOLDER);
    ASSERT_NE(skin.attach, nullptr);
    ASSERT_NE(skin.detach, nullptr);
    QString sheet = ReadSheet(std::string(PROGRAM_FOLDER) + "/skin.qss");
    ASSERT_FALSE(sheet.isEmpty());

    ASSERT_EQ(skin.attach(), 0);
    EXPECT_EQ(qApp->styleSheet(), sheet);
    ASSERT_EQ(skin.attach(), 0);  // attached twice: the sheet from before the skin still counts
    EXPECT_EQ(skin.detach(), 0);
    EXPECT_EQ(qApp->styleSheet(), kOwnSheet);
    EXPECT_NE(skin.detach(), 0);
    EXPECT_EQ(qApp->styleSheet(), kOwnSheet);
}

TEST_F(SkinHTest, WithoutItsSheetAttachFailsAndTheLookStays) {
    testing_support::TempFolder folder;
    std::filesystem::copy_file(std::string(PROGRAM_FOLDER) + "/libSkinH.so",
                               folder.host() + "/libSkinH.so");
    Skin skin = LoadFrom(folder.host());
    ASSERT_NE(skin.attach, nullptr);

    EXPECT_NE(skin.attach(), 0);
    EXPECT_EQ(qApp->styleSheet(), kOwnSheet);
    EXPECT_NE(skin.detach(), 0);
    EXPECT_EQ(qApp->styleSheet(), kOwnSheet);
}

// A syntax error would drop the whole sheet and leave the programs unskinned.
TEST_F(SkinHTest, TheSheetParsesAndGivesTheToolbarItsLook) {
    static QStringList warnings;
    warnings.clear();
    QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings << text; });
    Skin skin = LoadFrom(PROGRAM_FOLDER);
    ASSERT_NE(skin.attach, nullptr);
    ASSERT_EQ(skin.attach(), 0);
    QWidget window;
    window.setObjectName("frmConverter");
    auto* tool = new QToolButton(&window);
    tool->setObjectName("CmdToolsBar_3");
    auto* start = new QPushButton(&window);
    start->setObjectName("cmdConvert");
    window.ensurePolished();
    tool->ensurePolished();
    start->ensurePolished();
    qInstallMessageHandler(previous);

    EXPECT_TRUE(warnings.filter("parse").isEmpty()) << warnings.join('\n').toStdString();
    EXPECT_EQ(tool->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(tool->iconSize(), QSize(32, 32));
    EXPECT_TRUE(start->font().bold());
    EXPECT_EQ(tool->font().families().value(0), "Tahoma");
    EXPECT_TRUE(tool->font().families().contains("WenQuanYi Micro Hei"));
}

TEST_F(SkinHTest, AeroTakesOnlyAWindowOfTheApplication) {
    Skin skin = LoadFrom(PROGRAM_FOLDER);
    ASSERT_NE(skin.aero, nullptr);
    ASSERT_NE(skin.aeroAdjust, nullptr);
    QWidget window;
    window.show();

    EXPECT_EQ(skin.aero(static_cast<intptr_t>(window.winId())), 0);
    EXPECT_EQ(skin.aero(reinterpret_cast<intptr_t>(&window)), 0);
    EXPECT_NE(skin.aero(reinterpret_cast<intptr_t>(&skin)), 0);
    EXPECT_EQ(skin.aeroAdjust(220, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_NE(skin.aeroAdjust(256, 0, 0, 0, 0, 0, 0, 0, 0), 0);
}

}  // namespace
