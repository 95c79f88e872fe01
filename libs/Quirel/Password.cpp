#include "Password.h"

#include <unicode/usprep.h>
#include <unicode/ustring.h>

#include <algorithm>
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

struct ProfileCloser {
    void operator()(UStringPrepProfile* profile) const { usprep_close(profile); }
};

// RFC 4013 preparation; an empty result means the text is not a valid SASL string.
std::string SaslPrep(const std::string& utf8) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UStringPrepProfile, ProfileCloser> profile(
        usprep_openByType(USPREP_RFC4013_SASLPREP, &status));
    if (U_FAILURE(status)) return {};
    std::u16string wide(utf8.size() + 1, u'\0');
    int32_t wideLength = 0;
    u_strFromUTF8(wide.data(), static_cast<int32_t>(wide.size()), &wideLength, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
    std::u16string prepared(wide.size() * 4 + 16, u'\0');
    const int32_t preparedLength = usprep_prepare(
        profile.get(), wide.data(), wideLength, prepared.data(),
        static_cast<int32_t>(prepared.size()), USPREP_ALLOW_UNASSIGNED, nullptr, &status);
    std::string out(static_cast<size_t>(preparedLength) * 3 + 1, '\0');
    int32_t outLength = 0;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &outLength, prepared.data(),
                preparedLength, &status);
    if (U_FAILURE(status)) return {};
    out.resize(static_cast<size_t>(outLength));
    return out;
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
    std::vector<std::string> candidates;
    std::string text = IsValidUtf8(typed) ? std::string(typed) : Latin1ToUtf8(typed);
    std::string prepared = SaslPrep(text);
    AddUnique(candidates, std::move(text));
    if (!prepared.empty()) AddUnique(candidates, std::move(prepared));
    AddUnique(candidates, DocEncodingToUtf8(typed));
    return candidates;
}

}  // namespace quirel
