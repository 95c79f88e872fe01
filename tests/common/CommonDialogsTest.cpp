#include <gtest/gtest.h>

#include "common/CommonDialogs.h"
#include "tests/support/FakeDesktop.h"

using common::CCommonDialogs;
using testing_support::FakeDesktop;

TEST(CommonDialogs, OpenOffersTheFilterPairsAndTheTitle) {
    FakeDesktop desktop;
    CCommonDialogs dialogs;
    dialogs.Init(0);
    dialogs.SetTitle("打开PDF文件");
    dialogs.SetFilter("PDF格式文件(*.pdf)|*.pdf");
    dialogs.ShowOpen();
    ASSERT_EQ(desktop.fileDialogs().size(), 1u);
    const auto& request = desktop.fileDialogs()[0];
    EXPECT_EQ(request.title, "打开PDF文件");
    ASSERT_EQ(request.filters.size(), 1u);
    EXPECT_EQ(request.filters[0].description, "PDF格式文件(*.pdf)");
    EXPECT_EQ(request.filters[0].pattern, "*.pdf");
    EXPECT_EQ(request.selectedFilter, 0);
    EXPECT_TRUE(request.mustExist);
}

TEST(CommonDialogs, ConfirmedOpenFillsNameTitleAndPathAndCancelKeepsThem) {
    FakeDesktop desktop;
    CCommonDialogs dialogs;
    dialogs.Init(0);
    desktop.nextOpenFile("C:\\docs\\a.pdf");
    EXPECT_TRUE(dialogs.ShowOpen());
    EXPECT_EQ(dialogs.FileName(), "C:\\docs\\a.pdf");
    EXPECT_EQ(dialogs.FileTitle(), "a.pdf");
    EXPECT_EQ(dialogs.Path(), "C:\\docs");

    desktop.nextOpenFile(std::nullopt);
    EXPECT_FALSE(dialogs.ShowOpen());
    EXPECT_EQ(dialogs.FileName(), "C:\\docs\\a.pdf");
    EXPECT_EQ(dialogs.Path(), "C:\\docs");

    desktop.nextOpenFile("C:\\a.pdf");
    EXPECT_TRUE(dialogs.ShowOpen());
    EXPECT_EQ(desktop.fileDialogs().back().initialFile, "C:\\docs\\a.pdf");
    EXPECT_EQ(dialogs.Path(), "C:");
}

TEST(CommonDialogs, TextPropertiesReadUpToTheFirstNul) {
    CCommonDialogs dialogs;
    dialogs.SetTitle(std::string("ab\0cd", 5));
    dialogs.SetFileName(std::string("C:\\x.pdf\0   ", 12));
    EXPECT_EQ(dialogs.Title(), "ab");
    EXPECT_EQ(dialogs.FileName(), "C:\\x.pdf");
}

TEST(CommonDialogs, FolderColorAndFontFillTheirPropertiesOnlyWhenConfirmed) {
    FakeDesktop desktop;
    CCommonDialogs dialogs;
    dialogs.SetFileName("C:\\a.pdf");
    desktop.nextFolder("Z:\\home\\ann");
    EXPECT_TRUE(dialogs.ShowFolder());
    EXPECT_EQ(dialogs.Path(), "Z:\\home\\ann");
    EXPECT_EQ(dialogs.FileName(), "");
    EXPECT_FALSE(dialogs.ShowFolder());
    EXPECT_EQ(dialogs.Path(), "Z:\\home\\ann");

    desktop.nextColor(0x0000FFu);
    EXPECT_TRUE(dialogs.ShowColor());
    EXPECT_EQ(dialogs.Color(), 0x0000FFu);
    EXPECT_FALSE(dialogs.ShowColor());
    EXPECT_EQ(dialogs.Color(), 0x0000FFu);

    desktop.nextFont(platform::FontChoice{"宋体", 12, true, false, false});
    EXPECT_TRUE(dialogs.ShowFont());
    EXPECT_EQ(dialogs.Font().name, "宋体");
    EXPECT_TRUE(dialogs.Font().bold);
}

TEST(CommonDialogs, SaveUsesItsOwnTitleAndAllFilesWhenNoFilterIsSet) {
    FakeDesktop desktop;
    CCommonDialogs dialogs;
    dialogs.SetTitle("ignored");
    desktop.nextSaveFile("C:\\out\\b.pdf");
    EXPECT_TRUE(dialogs.ShowSave());
    EXPECT_EQ(desktop.fileDialogs().back().title, "Save");
    ASSERT_EQ(desktop.fileDialogs().back().filters.size(), 1u);
    EXPECT_EQ(desktop.fileDialogs().back().filters[0].pattern, "*.*");
    EXPECT_EQ(dialogs.FileTitle(), "b.pdf");
    EXPECT_FALSE(dialogs.ShowPrinter());
}

TEST(CommonDialogs, FilterTextsSplitIntoPairs) {
    auto filters = common::ParseFilter("Images|*.jpg;*.png|All|*.*|dangling");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[1].description, "All");
    EXPECT_EQ(filters[0].pattern, "*.jpg;*.png");
    EXPECT_TRUE(common::ParseFilter("").empty());
}
