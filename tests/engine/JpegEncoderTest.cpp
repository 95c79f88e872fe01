// The JPEG writer on its own: a page libjpeg refuses while the file is being set up.
#include <malloc.h>

#include "Encoders.h"
#include "EngineFixture.h"

namespace {

class JpegEncoderTest : public EngineFixture {};

// Bytes the C heap holds; ASan keeps its own books (mallinfo2 reads 0 there) and reports any
// leak itself when the tests end.
size_t HeapInUse() { return mallinfo2().uordblks; }

TEST_F(JpegEncoderTest, RefusedPageThrowsWriteErrorAndReleasesLibjpeg) {
    // Wider than libjpeg's largest dimension: it fails when compression starts, after its
    // compressor object was created.
    const quirel::PageGeometry tooWide{70000, 16, 72, 72};
    const std::string file = path("page.jpg").string();
    EXPECT_THROW(quirel::NewJpegEncoder(file, tooWide), quirel::WriteError);
    const size_t before = HeapInUse();
    for (int i = 0; i < 200; ++i)
        EXPECT_THROW(quirel::NewJpegEncoder(file, tooWide), quirel::WriteError);
    // One compressor keeps several kilobytes, 200 of them well over a megabyte.
    EXPECT_LT(HeapInUse(), before + (256u << 10));
}

}  // namespace
