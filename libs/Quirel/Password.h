// The forms in which a typed password is offered to the document's security handler.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirel {

// UTF-8 texts to try in order, without repeats. The renderer turns a UTF-8 password into
// PDFDocEncoding for RC4 and AES-128 files and hands it on unchanged for AES-256 ones, so:
//  - the typed text read as UTF-8, in the system code page, and as Latin-1 when it is not
//    valid UTF-8;
//  - each reading SASLprep-normalised, as revision 6 files expect;
//  - the typed bytes mapped through PDFDocEncoding, so that an RC4 or AES-128 file whose
//    password was set as raw code-page bytes gets exactly those bytes.
std::vector<std::string> PasswordCandidates(std::string_view typed);

}  // namespace quirel
