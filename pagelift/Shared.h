// The program-wide values shared by the conversion run and the password prompt.
#pragma once

#include <string>

namespace pagelift {

// The password typed for the current document; empty when none was given.
inline std::string PdfPassword;
// True while the prompt is shown again after a rejected password.
inline bool PasswordWrong = false;
// From options.ini: nonzero silences the completion sound.
inline int SoundOff = 0;

}  // namespace pagelift
