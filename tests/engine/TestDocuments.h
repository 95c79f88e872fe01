// PDF documents made with MuPDF at test time, and the exported images decoded with FreeImage.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace enginetest {

struct TestPage {
    float width = 595.276f;  // A4 in points
    float height = 841.89f;
    int rotate = 0;
    std::optional<float> cropLeft, cropBottom, cropRight, cropTop;  // all four or none
    std::string content;  // content stream; the font /F1 (Helvetica) is available
};

struct TestEncryption {
    int method;  // PDF_ENCRYPT_*
    std::string user;
    std::string owner;
};

void WritePdf(const std::filesystem::path& path, const std::vector<TestPage>& pages,
              const std::optional<TestEncryption>& encryption = std::nullopt);

// A PDF written object by object, for structures the document writer will not make: objects
// are numbered from 1 in the order given, and object 1 is the catalog.
void WriteRawPdf(const std::filesystem::path& path, const std::vector<std::string>& objects);
// The text of a stream object: its dictionary entries (without << >>) and its data.
std::string StreamObject(const std::string& entries, const std::string& data);

// A content stream that fills a black rectangle of width points at the top-left corner.
std::string TopLeftMark(const TestPage& page, float width, float height = 50);

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* at(int x, int y) const { return rgb.data() + (size_t(y) * width + x) * 3; }
    bool isBlack(int x, int y, int tolerance = 40) const;
    bool isWhite(int x, int y, int tolerance = 20) const;
    // Length of the run of dark pixels that starts at the left edge of row y.
    int darkRunFromLeft(int y) const;
};

// Decodes PNG, JPEG, BMP, GIF or TIFF with FreeImage; throws when it cannot.
DecodedImage Decode(const std::filesystem::path& path);

// Runs qpdf to encrypt a copy of a document; false when qpdf failed.
bool QpdfEncrypt(const std::filesystem::path& in, const std::filesystem::path& out,
                 const std::string& user, const std::string& owner, const std::string& bits,
                 const std::vector<std::string>& extra = {});

// Sorted names of the files in a folder.
std::vector<std::string> FileNames(const std::filesystem::path& folder);

}  // namespace enginetest
