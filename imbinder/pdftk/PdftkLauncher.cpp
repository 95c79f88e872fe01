// pdftk as the program folder holds it. A run goes to the pdftk service of this user (a
// pdftk-java that stays up between runs, PdftkService.java), started at the first run; each
// run then costs its documents' work and not the start of Java. Whatever the service cannot
// take (standard input or output as a document, a prompt) and every run on a machine without
// it goes to pdftk-direct, the plain start of pdftk-java beside this program.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "PdftkServiceAddress.h"
#include "platform/Host.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kJava = PDFTK_JAVA_PATH;
constexpr const char* kClassPath = PDFTK_JAVA_CLASSPATH_TEXT;
constexpr const char* kIdleSeconds = "30";
constexpr auto kServiceStartTime = 20s;
constexpr auto kFailedStartMemory = 10min;
constexpr uint32_t kLargestFrame = 16 << 20;

std::string BigEndian(uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

uint32_t FromBigEndian(const std::string& bytes) {
    uint32_t value = 0;
    for (const char byte : bytes) value = value << 8 | static_cast<uint8_t>(byte);
    return value;
}

struct Service {
    std::string socket;
    std::string folder;              // the current folder, where the service runs
    std::vector<std::string> start;  // Java's arguments
};

// Nothing when this machine has no service to offer.
std::optional<Service> ServiceOf(const std::string& programFolder) {
    const auto address = imbinder::FindPdftkServiceAddress(programFolder);
    if (!address || std::string(kJava).empty() || !std::filesystem::exists(kJava)) {
        return std::nullopt;
    }
    Service service{address->socket, platform::CurrentFolder(), {}};
    if (!address->archive.empty()) {
        service.start = {"-Xshare:auto", "-XX:SharedArchiveFile=" + address->archive,
                         "-Xlog:cds=off,cds+dynamic=off"};
    }
    service.start.insert(service.start.end(),
                         {"-XX:-UsePerfData", "-cp", std::string(kClassPath) + ":" + address->jar,
                          "PdftkService", service.socket, kIdleSeconds});
    return service;
}

// A service that ended while it started is not started again for the program that runs this
// launcher (a build's later runs) for a while: its runs go straight to pdftk-direct.
std::string FailedStartMark(const Service& service) { return service.socket + ".failed"; }

bool StartFailedLately(const Service& service) {
    const std::string mark = FailedStartMark(service);
    std::error_code error;
    const auto written = std::filesystem::last_write_time(mark, error);
    if (error || std::filesystem::file_time_type::clock::now() - written > kFailedStartMemory) {
        return false;
    }
    std::ifstream in(mark);
    int64_t parent = 0;
    return in >> parent && parent == platform::ParentProcessId();
}

void MarkFailedStart(const Service& service) {
    std::ofstream(FailedStartMark(service), std::ios::trunc) << platform::ParentProcessId() << "\n";
}

std::unique_ptr<platform::LocalStream> Reach(const Service& service) {
    if (auto stream = platform::LocalStream::Connect(service.socket)) return stream;
    if (StartFailedLately(service)) return nullptr;
    const auto started = platform::StartService(kJava, service.start, service.folder);
    if (!started) return nullptr;
    const auto deadline = std::chrono::steady_clock::now() + kServiceStartTime;
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        if (auto stream = platform::LocalStream::Connect(service.socket)) return stream;
        if (started->HasEnded()) {
            // Another launcher's service may have taken the socket meanwhile.
            if (auto stream = platform::LocalStream::Connect(service.socket)) return stream;
            MarkFailedStart(service);
            return nullptr;
        }
    }
    return nullptr;
}

// The exit code of the run, or nothing when the run did not happen there.
std::optional<int> RunThroughService(const std::string& programFolder,
                                     const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "-" || argument == "PROMPT") return std::nullopt;
    }
    const std::optional<Service> service = ServiceOf(programFolder);
    if (!service) return std::nullopt;
    const std::unique_ptr<platform::LocalStream> stream = Reach(*service);
    if (!stream) return std::nullopt;
    std::string request = BigEndian(static_cast<uint32_t>(arguments.size()));
    for (const std::string& argument : arguments)
        request += BigEndian(static_cast<uint32_t>(argument.size())) + argument;
    if (!stream->WriteAll(request)) return std::nullopt;

    bool answered = false;
    for (;;) {
        const std::optional<std::string> header = stream->ReadExactly(5);
        const uint32_t length = header ? FromBigEndian(header->substr(1)) : 0;
        const std::optional<std::string> body =
            header && length <= kLargestFrame ? stream->ReadExactly(length) : std::nullopt;
        if (!body) break;
        const char kind = (*header)[0];
        if (kind == 'x' && body->size() == 4) return static_cast<int>(FromBigEndian(*body));
        std::FILE* console = kind == 'e' ? stderr : stdout;
        std::fwrite(body->data(), 1, body->size(), console);
        std::fflush(console);
        answered = true;
    }
    if (!answered) return std::nullopt;  // the service went before the run began: run it here
    std::fputs("pdftk: the pdftk service ended in the middle of the run\n", stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string programFolder = platform::ThisModuleFolder();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (const std::optional<int> code = RunThroughService(programFolder, arguments)) return *code;
    const std::string direct = programFolder + "/pdftk-direct";
    std::vector<std::string> words{direct};
    words.insert(words.end(), arguments.begin(), arguments.end());
    platform::ReplaceProcess(direct, words);
    std::fprintf(stderr, "pdftk: %s cannot be run\n", direct.c_str());
    return 127;
}
