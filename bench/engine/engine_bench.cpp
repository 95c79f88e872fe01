// Benchmark driver: exports documents through the engine's C functions, or runs another
// converter, and prints wall time, pages and peak resident memory on one line.
//   engine_bench export <png|jpeg|bmp|gif|tiff> <dpi> <output folder> <pdf> [first last]
//   engine_bench run <command> [arguments...]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

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
    std::fprintf(stderr,
                 "usage: engine_bench export FORMAT DPI FOLDER PDF [FIRST LAST]\n"
                 "       engine_bench run COMMAND [ARGUMENTS...]\n");
    return 2;
}
