// Letter case and characters of UTF-8 texts, by Qt's Unicode tables.
#include <QString>

#include "platform/Platform.h"

namespace platform {

namespace {

QString FromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

std::string LowerCaseLetters(std::string_view utf8) {
    return FromUtf8(utf8).toLower().toStdString();
}

std::string UpperCaseLetters(std::string_view utf8) {
    return FromUtf8(utf8).toUpper().toStdString();
}

std::string LastCharacters(std::string_view utf8, int count) {
    return FromUtf8(utf8).right(count).toStdString();
}

std::string TrimmedText(std::string_view utf8) { return FromUtf8(utf8).trimmed().toStdString(); }

}  // namespace platform
