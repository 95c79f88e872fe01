// Splitting a command line into arguments the way Windows programs receive them.
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The program name ends at the closing quote or the first blank; backslashes are literal.
size_t TakeProgramName(std::string_view line, size_t i, std::string& name) {
    if (i < line.size() && line[i] == '"') {
        ++i;
        while (i < line.size() && line[i] != '"') name += line[i++];
        if (i < line.size()) ++i;
        return i;
    }
    while (i < line.size() && !IsBlank(line[i])) name += line[i++];
    return i;
}

// One argument: 2n backslashes before a quote give n backslashes and the quote toggles quoting;
// 2n+1 give n backslashes and a literal quote; "" inside quotes is a literal quote.
size_t TakeArgument(std::string_view line, size_t i, std::string& argument) {
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
        if (line[i] == '\\') {
            size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                    ++i;
                }
            } else {
                argument.append(backslashes, '\\');
            }
        } else if (line[i] == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                argument += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            argument += line[i++];
        }
    }
    return i;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> arguments;
    size_t i = 0;
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    if (i == commandLine.size()) return arguments;
    std::string program;
    i = TakeProgramName(commandLine, i, program);
    arguments.push_back(program);
    for (;;) {
        while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
        if (i == commandLine.size()) break;
        std::string argument;
        i = TakeArgument(commandLine, i, argument);
        arguments.push_back(argument);
    }
    return arguments;
}

}  // namespace platform
