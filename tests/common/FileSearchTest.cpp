#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>

#include "common/FileSearch.h"
#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

using common::SearchImageFiles;
using common::SearchPdfFiles;
using common::VectorResultList;
using testing_support::TempCDrive;
using V = std::vector<std::string>;

TEST(FileSearch, ListsDepthFirstWithFullPaths) {
    TempCDrive drive;
    drive.root().WriteFile("docs/a.pdf");
    drive.root().WriteFile("docs/sub/b.pdf");
    drive.root().WriteFile("docs/sub/deeper/c.PDF");
    drive.root().WriteFile("docs/sub/notes.txt");
    VectorResultList found;
    SearchPdfFiles("C:\\docs", found);
    EXPECT_EQ(found.items,
              (V{"C:\\docs\\a.pdf", "C:\\docs\\sub\\b.pdf", "C:\\docs\\sub\\deeper\\c.PDF"}));
}

TEST(FileSearch, FilesOfAFolderComeInListingOrderBeforeItsSubfolders) {
    TempCDrive drive;
    for (const char* name : {"k.pdf", "b.pdf", "z.pdf", "sub/m.pdf", "a.pdf"}) {
        drive.root().WriteFile(std::string("docs/") + name);
    }
    V expected;
    platform::DirectoryListing listing("C:\\docs");
    while (auto entry = listing.Next()) {
        if (entry->name.size() > 4) expected.push_back("C:\\docs\\" + entry->name);
    }
    expected.push_back("C:\\docs\\sub\\m.pdf");
    VectorResultList found;
    SearchPdfFiles("C:\\docs\\", found);
    EXPECT_EQ(found.items, expected);
}

TEST(FileSearch, SearchingADriveRootGivesSingleBackslashes) {
    TempCDrive drive;
    drive.root().WriteFile("file.pdf");
    VectorResultList found;
    SearchPdfFiles("C:\\", found);
    EXPECT_EQ(found.items, V{"C:\\file.pdf"});
}

TEST(FileSearch, FoldersWithMoreAttributeBitsAreSearchedAndNeverListed) {
    TempCDrive drive;
    drive.root().WriteFile("docs/old.pdf/inside.pdf");
    std::string readOnly = drive.root().MakeFolder("docs/locked");
    drive.root().WriteFile("docs/locked/kept.pdf");
    chmod(readOnly.c_str(), 0555);
    drive.root().WriteFile("docs/.hidden/secret.pdf");
    VectorResultList found;
    SearchPdfFiles("C:\\docs", found);
    std::sort(found.items.begin(), found.items.end());
    EXPECT_EQ(found.items, (V{"C:\\docs\\locked\\kept.pdf", "C:\\docs\\old.pdf\\inside.pdf"}));
}

TEST(FileSearch, EverySubfolderIsSearchedEvenBeyondTwoHundred) {
    TempCDrive drive;
    for (int i = 0; i < 230; ++i) drive.root().WriteFile("many/f" + std::to_string(i) + "/x.pdf");
    VectorResultList found;
    SearchPdfFiles("C:\\many", found);
    EXPECT_EQ(found.items.size(), 230u);
}

TEST(FileSearch, ImageTestLooksAtTheNameEndingWithoutCase) {
    TempCDrive drive;
    for (const char* name : {"a.BMP", "b.jpg", "c.gif", "d.png", "e.tif", "f.TIFF", "g.jpeg",
                             "notes_jpg", "photo.jpe", "doc.pdf", "x.ico"}) {
        drive.root().WriteFile(std::string("img/") + name);
    }
    VectorResultList found;
    SearchImageFiles("C:\\img", found);
    std::sort(found.items.begin(), found.items.end());
    EXPECT_EQ(found.items,
              (V{"C:\\img\\a.BMP", "C:\\img\\b.jpg", "C:\\img\\c.gif", "C:\\img\\d.png",
                 "C:\\img\\e.tif", "C:\\img\\f.TIFF", "C:\\img\\g.jpeg", "C:\\img\\notes_jpg"}));
}

TEST(FileSearch, MissingFolderContributesNothing) {
    TempCDrive drive;
    VectorResultList found;
    found.items.push_back("kept");
    SearchImageFiles("C:\\missing", found);
    EXPECT_EQ(found.items, V{"kept"});
}

namespace {

// Records whether a posted event had run by the time the last result arrived.
class YieldProbe : public common::ResultList {
  public:
    void AddItem(const std::string&) override { eventRanBeforeLastItem = eventRan; }
    bool eventRan = false;
    bool eventRanBeforeLastItem = false;
};

}  // namespace

TEST(FileSearch, WindowEventsRunDuringTheSearch) {
    TempCDrive drive;
    drive.root().WriteFile("docs/a.pdf");
    drive.root().WriteFile("docs/b.pdf");
    drive.root().WriteFile("docs/c.pdf");
    YieldProbe probe;
    QTimer::singleShot(0, [&] { probe.eventRan = true; });
    SearchPdfFiles("C:\\docs", probe);
    EXPECT_TRUE(probe.eventRanBeforeLastItem);
}

TEST(TrimNulls, DropsTrailingNulsAndSpacesOnly) {
    using common::TrimNulls;
    EXPECT_EQ(TrimNulls(std::string("abc\0\0 ", 6)), "abc");
    EXPECT_EQ(TrimNulls(std::string(" a b \0", 6)), " a b");
    EXPECT_EQ(TrimNulls(std::string("\0 \0", 3)), "");
    EXPECT_EQ(TrimNulls(""), "");
}
