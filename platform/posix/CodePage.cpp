// The system code page on a POSIX host: the code set of the C library's character locale,
// and conversions to and from it with iconv. Plain libraries use it too.
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <mutex>
#include <optional>
#include <string>

#include "platform/Host.h"

namespace platform {
namespace {

std::mutex gCodePageMutex;
std::optional<std::string> gLocaleBeforeOverride;  // the character locale to go back to

// The code set of the C library's character locale. With no locale chosen (the C locale) the
// C library reports plain ASCII; host file names are UTF-8 all the same, and ASCII would turn
// every Chinese caption into question marks.
std::string CharacterLocaleCodeSet() {
    const char* codeSet = nl_langinfo(CODESET);
    const std::string name = codeSet != nullptr ? codeSet : "";
    if (name.empty() || name == "ANSI_X3.4-1968" || name == "ASCII") return "UTF-8";
    return name;
}

bool IsUtf8(const std::string& codeSet) { return codeSet == "UTF-8" || codeSet == "utf8"; }

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not well formed.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    size_t length = lead < 0x80           ? 1
                    : (lead >> 5) == 0x6  ? 2
                    : (lead >> 4) == 0xE  ? 3
                    : (lead >> 3) == 0x1E ? 4
                                          : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    return length;
}

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out += '?';
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

// Converts with iconv; an input unit that cannot be converted becomes "?" and is skipped
// (a whole UTF-8 character when converting from UTF-8, one byte otherwise).
std::string Convert(std::string_view text, const std::string& from, const std::string& to) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    std::string out;
    std::string buffer(4 * text.size() + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (result != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        out += '?';
        size_t skip = 1;
        if (IsUtf8(from)) {
            size_t length = Utf8SequenceLength(std::string_view(in, inLeft), 0);
            skip = length == 0 ? 1 : length;
        }
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string SystemCodePageName() { return CharacterLocaleCodeSet(); }

bool SetSystemCodePage(const std::string& localeName) {
    std::lock_guard lock(gCodePageMutex);
    if (localeName.empty()) {
        if (!gLocaleBeforeOverride) return true;
        const bool restored = setlocale(LC_CTYPE, gLocaleBeforeOverride->c_str()) != nullptr;
        gLocaleBeforeOverride.reset();
        return restored;
    }
    const std::string current = setlocale(LC_CTYPE, nullptr);
    if (setlocale(LC_CTYPE, localeName.c_str()) == nullptr) return false;
    if (!gLocaleBeforeOverride) gLocaleBeforeOverride = current;
    return true;
}

std::string ToSystemCodePage(std::string_view utf8) {
    std::string codePage = SystemCodePageName();
    if (IsUtf8(codePage)) return ValidUtf8(utf8);
    return Convert(utf8, "UTF-8", codePage);
}

std::string FromSystemCodePage(std::string_view bytes) {
    std::string codePage = SystemCodePageName();
    if (IsUtf8(codePage)) return ValidUtf8(bytes);
    return Convert(bytes, codePage, "UTF-8");
}

}  // namespace platform
