// What the text recognizer found on one picture, as the recognition helper writes it and the PDF
// writer reads it to lay a searchable text layer under the picture. Plain C++: the writer
// library links it without Qt or the host.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace recognition {

struct RecognizedLine {
    // The baseline, from its start to its end, in pixels of the picture (origin top left, y
    // down); the direction of reading, so a line of a page turned 90° runs up or down.
    double x1, y1, x2, y2;
    // The line's height in pixels, across the baseline (ascent to descent).
    double height;
    // UTF-8; no space between two Chinese characters, one space between Latin words.
    std::string text;
};

struct RecognizedPage {
    int width = 0, height = 0;  // the picture's pixels
    std::vector<RecognizedLine> lines;
};

// The text form: a first line "recognized 1 <width> <height>", then one line per
// RecognizedLine: x1 y1 x2 y2 height, a tab and the text, in which a backslash, tab, line feed
// and carriage return are written \\, \t, \n and \r. Every line ends in a line feed. Numbers
// are written in their shortest exact form, so the page reads back exactly.
std::string FormatRecognizedPage(const RecognizedPage&);

struct ParsedRecognizedPage {
    RecognizedPage page;
    std::string error;  // empty on success; otherwise why, in the user's words
};

// Reads the text form and trusts nothing in it: the picture's sides are 1 to 65535 pixels,
// every number is finite, coordinates lie within a million pixels, a height is 0 or more, a
// text is valid UTF-8 of at most 64 KiB, and a file holds at most 100000 lines and 64 MiB.
// A file cut off in the middle of a line is refused.
ParsedRecognizedPage ParseRecognizedPage(std::string_view text);

}  // namespace recognition
