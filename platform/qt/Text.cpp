// Letter case of UTF-8 texts, by Qt's Unicode tables.
#include <QString>

#include "platform/Platform.h"

namespace platform {

std::string LowerCaseLetters(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
        .toLower()
        .toStdString();
}

}  // namespace platform
