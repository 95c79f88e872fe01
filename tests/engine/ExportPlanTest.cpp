// Page-range clamping and page file names.
#include <gtest/gtest.h>

#include "ExportPlan.h"

using quirel::ClampPageRange;
using quirel::PageFilePath;

namespace {

TEST(ExportPlanTest, PagesOutsideTheDocumentAreClamped) {
    EXPECT_EQ(ClampPageRange(0, 99, 5).first, 1);
    EXPECT_EQ(ClampPageRange(0, 99, 5).last, 5);
    EXPECT_EQ(ClampPageRange(10, 12, 5).first, 5);
    EXPECT_EQ(ClampPageRange(10, 12, 5).count(), 1);
    EXPECT_EQ(ClampPageRange(-3, 0, 5).count(), 1);
    EXPECT_EQ(ClampPageRange(INT32_MIN, INT32_MAX, 5).count(), 5);
}

TEST(ExportPlanTest, FirstAboveLastIsEmpty) {
    EXPECT_EQ(ClampPageRange(4, 2, 5).count(), 0);
    EXPECT_EQ(ClampPageRange(99, 3, 5).count(), 0);
}

TEST(ExportPlanTest, FileNamesHaveFourDigitsOrMore) {
    EXPECT_EQ(PageFilePath("/out", 1, "png"), "/out/0001.png");
    EXPECT_EQ(PageFilePath("/out/", 42, "jpg"), "/out/0042.jpg");
    EXPECT_EQ(PageFilePath("out", 12345, "tif"), "out/12345.tif");
}

}  // namespace
