#include "Password.h"

#include <unicode/usprep.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cwchar>
#include <memory>

extern "C" {
#include <mupdf/fitz.h>
}

namespace quirel {
namespace {

void AppendUtf8(std::string& out, int rune) {
    char buffer[FZ_UTFMAX];
    out.append(buffer, static_cast<size_t>(fz_runetochar(buffer, rune)));
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    for (unsigned char byte : bytes) AppendUtf8(out, byte);
    return out;
}

std::string DocEncodingToUtf8(std::string_view bytes) {
    std::string out;
    for (unsigned char byte : bytes) AppendUtf8(out, fz_unicode_from_pdf_doc_encoding[byte]);
    return out;
}

std::u16string Utf8ToUtf16(const std::string& utf8, UErrorCode& status) {
    std::u16string wide(utf8.size() + 1, u'\0');
    int32_t length = 0;
    u_strFromUTF8(wide.data(), static_cast<int32_t>(wide.size()), &length, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
    wide.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return wide;
}

std::string Utf16ToUtf8(const std::u16string& wide, UErrorCode& status) {
    std::string utf8(wide.size() * 3 + 1, '\0');
    int32_t length = 0;
    u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &length, wide.data(),
                static_cast<int32_t>(wide.size()), &status);
    utf8.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return utf8;
}

// The typed bytes read in the system code page, which is the C library's character locale:
// the host program's platform layer converts its texts with the same locale, so both always
// agree, a test's switch of it included. Empty when the bytes are not text in it.
std::string SystemCodePageToUtf8(std::string_view bytes) {
    std::mbstate_t state{};
    std::string utf8;
    for (size_t i = 0; i < bytes.size();) {
        wchar_t wide = 0;
        size_t used = std::mbrtowc(&wide, bytes.data() + i, bytes.size() - i, &state);
        if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2)) return {};
        if (used == 0) used = 1;  // a NUL byte
        AppendUtf8(utf8, static_cast<int>(wide));
        i += used;
    }
    return utf8;
}

struct ProfileCloser {
    void operator()(UStringPrepProfile* profile) const { usprep_close(profile); }
};

// RFC 4013 preparation; an empty result means the text is not a valid SASL string.
std::string SaslPrep(const std::string& utf8) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UStringPrepProfile, ProfileCloser> profile(
        usprep_openByType(USPREP_RFC4013_SASLPREP, &status));
    const std::u16string wide = Utf8ToUtf16(utf8, status);
    if (U_FAILURE(status)) return {};
    std::u16string prepared(wide.size() * 4 + 16, u'\0');
    const int32_t length = usprep_prepare(
        profile.get(), wide.data(), static_cast<int32_t>(wide.size()), prepared.data(),
        static_cast<int32_t>(prepared.size()), USPREP_ALLOW_UNASSIGNED, nullptr, &status);
    if (U_FAILURE(status)) return {};
    prepared.resize(static_cast<size_t>(length));
    return Utf16ToUtf8(prepared, status);
}

void AddUnique(std::vector<std::string>& list, std::string candidate) {
    if (std::find(list.begin(), list.end(), candidate) == list.end())
        list.push_back(std::move(candidate));
}

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

}  // namespace

std::vector<std::string> PasswordCandidates(std::string_view typed) {
    std::vector<std::string> readings;
    if (IsValidUtf8(typed)) readings.emplace_back(typed);
    if (std::string converted = SystemCodePageToUtf8(typed); !converted.empty())
        AddUnique(readings, std::move(converted));
    if (!IsValidUtf8(typed)) AddUnique(readings, Latin1ToUtf8(typed));
    std::vector<std::string> candidates;
    for (const std::string& reading : readings) {
        AddUnique(candidates, reading);
        if (std::string prepared = SaslPrep(reading); !prepared.empty())
            AddUnique(candidates, std::move(prepared));
    }
    AddUnique(candidates, DocEncodingToUtf8(typed));
    return candidates;
}

}  // namespace quirel
