// Texts between the programs' UTF-8 strings and the widgets.
#pragma once

#include <QString>
#include <string>

namespace platform {
// Window code takes these, and nothing else of platform, with one using-directive.
inline namespace window_helpers {

inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
inline std::string S(const QString& text) { return text.toStdString(); }

}  // namespace window_helpers
}  // namespace platform
