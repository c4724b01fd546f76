#include "forms/fonts.h"

#include <QApplication>
#include <array>

namespace tovalin::forms {

namespace {

struct Substitute {
    std::string_view face;
    std::array<const char*, 4> families;
};

// A bold CJK sans-serif where "黑体" itself is not installed.
constexpr std::array substitutes{
    Substitute{"黑体", {"黑体", "SimHei", "Noto Sans CJK SC", "WenQuanYi Zen Hei"}},
};

}  // namespace

QStringList families_for(std::string_view face) {
    QStringList list;
    for (const Substitute& s : substitutes)
        if (s.face == face)
            for (const char* f : s.families) list << QString::fromUtf8(f);
    if (list.isEmpty()) list << QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
    list << QStringLiteral("sans-serif");
    return list;
}

QFont font_for(const Font& font) {
    if (font.is_default()) return QApplication::font();
    QFont f;
    f.setFamilies(families_for(font.face));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(font.pixel_size);
    f.setWeight(font.bold ? QFont::Bold : QFont::Normal);
    f.setItalic(false);
    f.setUnderline(false);
    return f;
}

}  // namespace tovalin::forms
