// Colour census, palette choice and pixel mapping of the palette formats.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Palette.h"

using quirel::ColourCensus;
using quirel::ColourMapper;
using quirel::Rgb;

namespace {

std::vector<uint8_t> Row(const std::vector<Rgb>& pixels) {
    std::vector<uint8_t> row;
    for (const Rgb& p : pixels) row.insert(row.end(), {p.r, p.g, p.b});
    return row;
}

TEST(PaletteTest, AllGreysOfAntiAliasedTextKeepTheirExactValues) {
    std::vector<Rgb> greys;
    for (int v = 0; v < 256; ++v) greys.push_back({uint8_t(v), uint8_t(v), uint8_t(v)});
    const std::vector<uint8_t> row = Row(greys);
    ColourCensus census;
    census.addRows(row.data(), 0, 256, 3);  // the same row three times
    std::vector<Rgb> palette = census.palette(256);
    ASSERT_EQ(palette.size(), 256u);
    ColourMapper mapper(palette);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(palette[mapper.indexOf(&row[size_t(v) * 3])], greys[size_t(v)]);
}

TEST(PaletteTest, FewColoursGiveASmallPalette) {
    const std::vector<uint8_t> row =
        Row({{255, 255, 255}, {255, 255, 255}, {200, 10, 10}, {255, 255, 255}});
    ColourCensus census;
    census.addRows(row.data(), 0, 4, 1);
    EXPECT_EQ(census.palette(256).size(), 2u);
}

TEST(PaletteTest, ManyColoursAreReducedToNearbyPaletteEntries) {
    // 4096 colours in clusters around eight dominant ones.
    std::vector<Rgb> pixels;
    std::srand(7);
    for (int i = 0; i < 4096; ++i) {
        const int corner = i % 8;
        auto near = [&](int bit) { return uint8_t((corner >> bit & 1) * 200 + std::rand() % 40); };
        pixels.push_back({near(0), near(1), near(2)});
    }
    const std::vector<uint8_t> row = Row(pixels);
    ColourCensus census;
    census.addRows(row.data(), 0, int(pixels.size()), 1);
    const std::vector<Rgb> palette = census.palette(256);
    EXPECT_LE(palette.size(), 256u);
    EXPECT_GT(palette.size(), 64u);
    ColourMapper mapper(palette);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Rgb chosen = palette[mapper.indexOf(&row[i * 3])];
        EXPECT_NEAR(chosen.r, pixels[i].r, 16);
        EXPECT_NEAR(chosen.g, pixels[i].g, 16);
        EXPECT_NEAR(chosen.b, pixels[i].b, 16);
    }
}

TEST(PaletteTest, DominantColourSurvivesReductionExactly) {
    // Mostly white with a spread of rare colours: white must map to pure white.
    std::vector<Rgb> pixels(20000, Rgb{255, 255, 255});
    for (int i = 0; i < 3000; ++i)
        pixels.push_back({uint8_t(i % 251), uint8_t(i * 7 % 253), uint8_t(i * 13 % 241)});
    const std::vector<uint8_t> row = Row(pixels);
    ColourCensus census;
    census.addRows(row.data(), 0, int(pixels.size()), 1);
    const std::vector<Rgb> palette = census.palette(256);
    ColourMapper mapper(palette);
    EXPECT_EQ(palette[mapper.indexOf(row.data())], (Rgb{255, 255, 255}));
}

}  // namespace
