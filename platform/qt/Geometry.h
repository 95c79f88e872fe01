// Window geometry in twips, as the layouts give it: 15 twips to a pixel; and the windows' font.
#pragma once

#include <QFont>
#include <QRect>

namespace platform {
// Window code takes these, and nothing else of platform, with one using-directive.
inline namespace window_helpers {

constexpr int Px(double twips) { return int(twips / 15 + 0.5); }
inline QRect Twips(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

// Tahoma, with a font that has the Chinese captions behind it.
inline QFont ProgramFont() {
    QFont font;
    font.setFamilies({"Tahoma", "WenQuanYi Micro Hei"});
    font.setPixelSize(12);
    return font;
}

}  // namespace window_helpers
}  // namespace platform
