// Benchmark driver: exports documents through the engine's C functions, or runs another
// converter, and prints wall time, pages and peak resident memory on one line; or times the
// engine's PNG writer against MuPDF's rendering of the same pages, one page at a time, and
// weighs its files against zlib at level 1 with the Up filter on every row.
//   engine_bench export <png|jpeg|bmp|gif|tiff> <dpi> <output folder> <pdf> [first last]
//   engine_bench run <command> [arguments...]
//   engine_bench png-encode <dpi> <output folder> <pdf> [first last]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

extern "C" {
#include <mupdf/fitz.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Encoders.h"
#include "PngRowFilter.h"
#include "Quirel.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int FormatCode(const std::string& name) {
    if (name == "bmp") return QUIREL_BMP;
    if (name == "jpeg") return QUIREL_JPEG;
    if (name == "png") return QUIREL_PNG;
    if (name == "gif") return QUIREL_GIF;
    if (name == "tiff") return QUIREL_TIFF;
    return 0;
}

int Export(int argc, char** argv) {
    if (argc < 6) return 2;
    const int format = FormatCode(argv[2]);
    const int dpi = std::atoi(argv[3]);
    const auto start = Clock::now();
    const int handle = OpenPDF(argv[5], "");
    if (handle < 1 || format == 0) {
        std::fprintf(stderr, "cannot open %s (%d)\n", argv[5], handle);
        return 1;
    }
    const int first = argc > 7 ? std::atoi(argv[6]) : 1;
    const int last = argc > 7 ? std::atoi(argv[7]) : GetPageNum(handle);
    const int written = format == QUIREL_TIFF
                            ? ExportTIF(handle, argv[4], "", dpi, dpi, first, last, nullptr, 1, 0)
                            : ExportIMG(handle, argv[4], "", format, dpi, 24, first, last, nullptr);
    ClosePDF(handle);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("pages=%d seconds=%.3f rss_kb=%ld\n", written, SecondsSince(start),
                usage.ru_maxrss);
    return written > 0 ? 0 : 1;
}

// ISA-L leaves the upper halves of the vector registers in use; plain-SSE code after it, such
// as Debian's zlib, runs at half speed on this machine until they are cleared.
__attribute__((target("avx"))) void ClearUpperVectorState() { __builtin_ia32_vzeroupper(); }

// Compressed size of the page as zlib level 1 packs it with the Up filter on every row.
size_t ZlibLevel1Size(const fz_pixmap* pixmap) {
    ClearUpperVectorState();
    const size_t rowBytes = static_cast<size_t>(pixmap->w) * 3;
    std::vector<uint8_t> above(rowBytes, 0), filtered(rowBytes + 1), out(256 * 1024);
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
    size_t total = 0;
    filtered[0] = 2;
    for (int y = 0; y <= pixmap->h; ++y) {
        const bool last = y == pixmap->h;
        if (!last) {
            const uint8_t* row = pixmap->samples + y * pixmap->stride;
            quirel::FilterRow(quirel::kPngFilterUp, row, above.data(), filtered.data() + 1,
                              rowBytes);
            std::memcpy(above.data(), row, rowBytes);
        }
        stream.next_in = last ? nullptr : filtered.data();
        stream.avail_in = last ? 0 : static_cast<uInt>(filtered.size());
        int status;
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            status = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            total += out.size() - stream.avail_out;
        } while (stream.avail_out == 0 || (last && status != Z_STREAM_END));
    }
    deflateEnd(&stream);
    return total;
}

int PngEncode(int argc, char** argv) {
    if (argc < 5) return 2;
    const int dpi = std::atoi(argv[2]);
    const std::string folder = argv[3];
    fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
    fz_register_document_handlers(ctx);
    fz_document* doc = fz_open_document(ctx, argv[4]);
    const int first = argc > 6 ? std::atoi(argv[5]) : 1;
    const int last = argc > 6 ? std::atoi(argv[6]) : fz_count_pages(ctx, doc);
    const fz_matrix scale = fz_scale(dpi / 72.0f, dpi / 72.0f);
    double renderSeconds = 0, encodeSeconds = 0, zlibSeconds = 0, worst = 0;
    uint64_t pngBytes = 0, zlibBytes = 0;
    for (int page = first; page <= last; ++page) {
        auto start = Clock::now();
        fz_pixmap* pixmap =
            fz_new_pixmap_from_page_number(ctx, doc, page - 1, scale, fz_device_rgb(ctx), 0);
        renderSeconds += SecondsSince(start);
        start = Clock::now();
        const size_t reference = ZlibLevel1Size(pixmap);
        zlibSeconds += SecondsSince(start);
        const std::string file = folder + "/" + std::to_string(page) + ".png";
        start = Clock::now();
        auto encoder = quirel::NewPngEncoder(file, {pixmap->w, pixmap->h, dpi, dpi});
        encoder->writeRows(pixmap->samples, pixmap->stride, pixmap->h);
        encoder->finish();
        encodeSeconds += SecondsSince(start);
        const auto size = static_cast<size_t>(std::filesystem::file_size(file));
        pngBytes += size;
        zlibBytes += reference;
        worst = std::max(worst, static_cast<double>(size) / static_cast<double>(reference));
        fz_drop_pixmap(ctx, pixmap);
    }
    fz_drop_document(ctx, doc);
    fz_drop_context(ctx);
    std::printf(
        "pages=%d render_s=%.4f encode_s=%.4f zlib1_s=%.4f png_bytes=%llu "
        "zlib1_bytes=%llu worst=%.4f\n",
        last - first + 1, renderSeconds, encodeSeconds, zlibSeconds,
        static_cast<unsigned long long>(pngBytes), static_cast<unsigned long long>(zlibBytes),
        worst);
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 3) return 2;
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) < 0) return 1;
    std::printf("seconds=%.3f rss_kb=%ld status=%d\n", SecondsSince(start), usage.ru_maxrss,
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "export") == 0) return Export(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "run") == 0) return Run(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "png-encode") == 0) return PngEncode(argc, argv);
    std::fprintf(stderr,
                 "usage: engine_bench export FORMAT DPI FOLDER PDF [FIRST LAST]\n"
                 "       engine_bench run COMMAND [ARGUMENTS...]\n"
                 "       engine_bench png-encode DPI FOLDER PDF [FIRST LAST]\n");
    return 2;
}
