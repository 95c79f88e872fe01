// A console program for the command runner's tests, so they run real children:
//   child_tool write <lines>   lines alternately to standard output and standard error
//   child_tool late <ms>       waits, then writes "done"
//   child_tool sleep <ms>      waits, writes nothing
//   child_tool silent          writes nothing
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

namespace {

void Pause(const char* milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(milliseconds)));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "silent";
    if (mode == "write" && argc > 2) {
        const int lines = std::atoi(argv[2]);
        for (int i = 0; i < lines; ++i) {
            std::ostream& stream = i % 2 == 0 ? std::cout : std::cerr;
            stream << (i % 2 == 0 ? "out " : "err ") << i << " of the lines\n" << std::flush;
        }
    } else if (mode == "late" && argc > 2) {
        Pause(argv[2]);
        std::cout << "done" << std::flush;
    } else if (mode == "sleep" && argc > 2) {
        Pause(argv[2]);
    }
    return 0;
}
