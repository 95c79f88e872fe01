// Reads a PDF back through the command-line tools qpdf and mutool, so tests check what a
// reader of the file sees rather than what the writer meant to write.
#pragma once

#include <QByteArray>
#include <QImage>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace readback {

struct PdfImage {
    int width = 0;  // pixels
    int height = 0;
    std::string colorSpace;  // "/DeviceRGB", "/DeviceGray"
    std::string filter;      // "/DCTDecode" for an embedded JPEG
    QByteArray data;         // the stream as stored in the file
};

struct PdfPage {
    double width = 0;  // points, from the media box
    double height = 0;
    std::vector<PdfImage> images;
};

struct PdfContents {
    std::vector<PdfPage> pages;               // in page order
    std::map<std::string, std::string> info;  // "Title" -> text, as UTF-8
};

struct ToolRun {
    int exitCode = -1;  // -1 when the tool could not start, crashed or ran over 60 s
    std::string output;
    std::string errors;  // its standard error
};

// A reading tool (pdftotext, mutool, pdftk, qpdf) run to its end.
ToolRun RunReader(const std::string& program, const std::vector<std::string>& arguments);

// Nothing when qpdf cannot read the file.
std::optional<PdfContents> ReadPdf(const std::string& hostPath);
// Page 1 rendered at the given resolution; a null image when mutool fails.
QImage RenderFirstPage(const std::string& hostPath, int dotsPerInch);

}  // namespace readback
