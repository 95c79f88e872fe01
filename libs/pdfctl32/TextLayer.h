// The invisible text layer of a page: every recognized line as one string of an empty-glyph
// font, laid along the line's baseline over where its words stand on the picture, so that
// readers find, select and copy the text while the page looks as it did.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "RecognizedPage.h"
#include "platform/Host.h"

namespace pdfctl32 {

struct Rectangle {
    double x, y, width, height;  // points, from the page's top left corner
};

// What the page needs beside its content: the font's objects are made from these.
struct TextLayerParts {
    std::string content;       // the content stream, drawing nothing visible
    std::string toUnicode;     // the CMap from each code of the strings to its text
    std::string cidToGidMap;   // every code to the font's one empty glyph
    std::string defaultWidth;  // /DW: CJK and other wide characters take a whole em
    std::string widths;        // the /W array: Latin and other narrow characters half an em
    std::string fontName;      // the resource name the content stream uses
};

class TextLayer {
  public:
    // The largest number of distinct characters a page's codes hold (code 0 is never used).
    static constexpr size_t kMaximumCharacters = 65535;

    // Lays the page's lines over a picture drawn into `where` on a page pageHeight points high.
    // Lines without text, length or height are left out. Fails, adding nothing, when the
    // layer would need more distinct characters than its codes hold.
    platform::Outcome Add(const recognition::RecognizedPage& page, const Rectangle& where,
                          double pageHeight);
    bool Empty() const { return lines_.empty(); }
    // Codes are given to the characters here, 1 to n.
    TextLayerParts Write(const std::string& fontName) const;

  private:
    struct Line {
        std::u32string text;
        double size;     // the font size, points
        double scale;    // the horizontal scaling, percent
        double spacing;  // the character spacing, unscaled text space units
        double matrix[6];
    };
    std::vector<Line> lines_;
    std::set<char32_t> characters_;
};

}  // namespace pdfctl32
