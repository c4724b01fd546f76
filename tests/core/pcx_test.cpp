#include <gtest/gtest.h>

#include "picture/draw.h"
#include "picture/picture.h"
#include "support/magick.h"

using namespace tovalin::picture;
using namespace tovalin::test;

namespace {

// The file's kind as its header says: bits per pixel, planes.
std::pair<int, int> layout(const std::vector<std::uint8_t>& pcx) { return {pcx.at(3), pcx.at(65)}; }

TEST(Pcx, MatchesImageMagick) {
    struct Case {
        const char* name;
        std::string args;
        std::pair<int, int> layout;
        bool alpha;
    };
    const Case cases[] = {
        {"256-colour palette", "rose: -colors 64 -type Palette", {8, 1}, false},
        {"16 colours", "rose: -colors 16 -type Palette", {8, 1}, false},
        {"24-bit colour", "rose: -type TrueColor", {8, 3}, false},
        {"24-bit colour, odd width", "-size 13x7 gradient:red-blue -type TrueColor", {8, 3}, false},
        {"colour and alpha", "rose: -alpha set -channel A -fx 'i/w' +channel", {8, 4}, true},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir / ("f" + std::to_string(n++) + ".pcx");
        const auto bytes = make_with_convert(c.args, path);
        ASSERT_EQ(layout(bytes), c.layout);
        auto ours = decode(bytes);
        ASSERT_TRUE(ours) << to_string(ours.error());
        EXPECT_EQ(ours->format, Format::Pcx8);
        const Bitmap theirs = magick_decode(path);
        EXPECT_EQ(ours->natural, (Size{theirs.width, theirs.height}));
        EXPECT_EQ(ours->pixels.has_alpha, c.alpha);
        EXPECT_EQ(max_difference(ours->pixels, theirs), 0);
    }
}

// ---- Hand-made files: what the generator cannot make, or makes otherwise.

struct Window {
    int xmin, ymin, xmax, ymax;
};

// The 128-byte header: version (5 for 8 bits, 3 for 1 bit, as the
// signatures want), RLE, bits per pixel, the window, the 16-colour palette,
// planes and bytes per line of one plane.
std::vector<std::uint8_t> header(int bits, int planes, Window w, int bytes_per_line,
                                 const std::vector<std::uint8_t>& ega = {}) {
    std::vector<std::uint8_t> h(128, 0);
    h[0] = 0x0A, h[1] = bits == 8 ? 5 : 3, h[2] = 1, h[3] = static_cast<std::uint8_t>(bits);
    const int fields[4] = {w.xmin, w.ymin, w.xmax, w.ymax};
    for (int i = 0; i < 4; ++i) h[4 + 2 * i] = std::uint8_t(fields[i]), h[5 + 2 * i] = std::uint8_t(fields[i] >> 8);
    std::copy(ega.begin(), ega.end(), h.begin() + 16);
    h[65] = static_cast<std::uint8_t>(planes);
    h[66] = std::uint8_t(bytes_per_line), h[67] = std::uint8_t(bytes_per_line >> 8);
    return h;
}

std::vector<std::uint8_t> pcx(std::vector<std::uint8_t> head, std::initializer_list<std::uint8_t> data) {
    head.insert(head.end(), data);
    return head;
}

// A bitmap as letters, one row a line: K black, W white, R G B, and for
// anything else its grey level or '?'.
std::string letters(const Bitmap& b) {
    std::string s;
    for (int y = 0; y < b.height; ++y) {
        for (int x = 0; x < b.width; ++x) {
            const std::uint8_t* p = b.row(y) + x * 4;
            std::string c = "?";
            if (p[3] != 255) c = "?";
            else if (p[0] == 0 && p[1] == 0 && p[2] == 0) c = "K";
            else if (p[0] == 255 && p[1] == 255 && p[2] == 255) c = "W";
            else if (p[0] == 0 && p[1] == 0 && p[2] == 255) c = "R";
            else if (p[0] == 0 && p[1] == 255 && p[2] == 0) c = "G";
            else if (p[0] == 255 && p[1] == 0 && p[2] == 0) c = "B";
            else if (p[0] == p[1] && p[1] == p[2]) c = "<" + std::to_string(p[0]) + ">";
            s += c;
        }
        s += '\n';
    }
    return s;
}

// A 16-colour palette: 0 black, 1 red, 2 green, 3 blue, 8 white, the rest grey 7.
std::vector<std::uint8_t> ega_palette() {
    std::vector<std::uint8_t> p(48, 7);
    const std::uint8_t set[][4] = {{0, 0, 0, 0}, {1, 255, 0, 0}, {2, 0, 255, 0}, {3, 0, 0, 255}, {8, 255, 255, 255}};
    for (const auto& e : set) std::copy(e + 1, e + 4, p.begin() + e[0] * 3);
    return p;
}

TEST(Pcx, HandMadeFiles) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        std::string pixels;
        Format format = Format::Pcx8;
    };
    const Case cases[] = {
        {"1 bit, one plane: black and white, the padding bits ignored",
         // Two bytes a line for 10 pixels. 0xC0 as data must be a run of one.
         pcx(header(1, 1, {0, 0, 9, 1}, 2), {0xB0, 0xC1, 0xC0, 0x0F, 0x3F}), "WKWWKKKKWW\nKKKKWWWWKK\n", Format::Pcx1},
        {"1 bit, four planes: the header's palette",
         // Planes 0 to 3 give the index bits 1, 2, 4, 8: pixels 1, 2, 3, 8.
         pcx(header(1, 4, {0, 0, 3, 0}, 1, ega_palette()), {0xA0, 0x60, 0x00, 0x10}), "RGBW\n", Format::Pcx1},
        {"1 bit, four planes: an empty header palette is the EGA's",
         // Index 15 in every pixel: white.
         pcx(header(1, 4, {0, 0, 3, 0}, 1), {0xF0, 0xF0, 0xF0, 0xF0}), "WWWW\n", Format::Pcx1},
        {"runs crossing the end of a line go on in the next; past the last they are cut",
         // 3 x 3 grey: a run of 4 x 0x10, of 4 x 0x20, then 5 x 0x30 for the last line's 1.
         pcx(header(8, 1, {0, 0, 2, 2}, 3), {0xC4, 0x10, 0xC4, 0x20, 0xC5, 0x30}),
         "<16><16><16>\n<16><32><32>\n<32><32><48>\n"},
        {"a run of zero bytes writes nothing",
         pcx(header(8, 1, {0, 0, 1, 0}, 2), {0xC0, 0x99, 0x05, 0x06}), "<5><6>\n"},
        {"bytes past the width in each line are padding",
         pcx(header(8, 1, {0, 0, 1, 1}, 3), {1, 2, 0xC1, 9, 3, 4, 5}), "<1><2>\n<3><4>\n"},
        {"no 0x0C palette: grey", pcx(header(8, 1, {0, 0, 2, 0}, 3), {0, 100, 0x0C}), "K<100><12>\n"},
        {"the window need not start at 0", pcx(header(8, 1, {10, 20, 11, 20}, 2), {7, 8}), "<7><8>\n"},
        {"24-bit planes: red, green, blue of each line",
         // 255 is coded as a run of one, being a run marker itself.
         pcx(header(8, 3, {0, 0, 2, 0}, 3), {0xC1, 255, 0, 0, 0, 0xC1, 255, 0, 0, 0, 0xC1, 255}), "RGB\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sniff(c.file), c.format);
        auto r = decode(c.file);
        ASSERT_TRUE(r) << to_string(r.error());
        EXPECT_EQ(letters(r->pixels), c.pixels);
        EXPECT_FALSE(r->pixels.has_alpha);
    }
}

TEST(Pcx, EgaDefaultsAndTheEndPalette) {
    // Index 9 with an empty header palette: the EGA's light blue.
    auto ega = decode(pcx(header(1, 4, {0, 0, 0, 0}, 1), {0x80, 0x00, 0x00, 0x80}));
    ASSERT_TRUE(ega);
    EXPECT_EQ(ega->pixels.bgra, (std::vector<std::uint8_t>{0xFF, 0x55, 0x55, 255}));

    // A 256-colour palette after the marker: index 0 red, 1 green.
    auto file = pcx(header(8, 1, {0, 0, 1, 0}, 2), {1, 0, 0x0C});
    const std::size_t palette = file.size();
    file.resize(palette + 768);
    file[palette] = 255;          // 0: red
    file[palette + 3 + 1] = 255;  // 1: green
    auto r = decode(file);
    ASSERT_TRUE(r);
    EXPECT_EQ(letters(r->pixels), "GR\n");

    // A grey file whose 769th byte from the end happens to be 0x0C, needed
    // as image data: that was no palette.
    auto grey = header(8, 1, {0, 0, 799, 0}, 800);
    for (int i = 0; i < 800; ++i) grey.push_back(static_cast<std::uint8_t>(i % 100));
    grey[grey.size() - 769] = 0x0C;
    auto g = decode(grey);
    ASSERT_TRUE(g) << to_string(g.error());
    EXPECT_EQ(g->pixels.bgra[31 * 4], 0x0C);
    EXPECT_EQ(g->pixels.bgra[32 * 4], 32);
}

TEST(Pcx, MalformedHeadersAndData) {
    auto cut = header(8, 1, {0, 0, 1, 0}, 2);
    cut.resize(100);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        Error error;
    };
    const Case cases[] = {
        {"Xmax before Xmin", pcx(header(8, 1, {5, 0, 4, 0}, 2), {1, 2}), Error::BadHeader},
        {"Ymax before Ymin", pcx(header(8, 1, {0, 5, 1, 4}, 2), {1, 2}), Error::BadHeader},
        {"bytes per line short of the width", pcx(header(8, 1, {0, 0, 2, 0}, 2), {1, 2, 3}), Error::BadHeader},
        {"1-bit bytes per line short of the width", pcx(header(1, 1, {0, 0, 8, 0}, 1), {0, 0}), Error::BadHeader},
        {"two planes of 8 bits", pcx(header(8, 2, {0, 0, 0, 0}, 1), {1, 2}), Error::Unsupported},
        {"65535 x 65535, past the limits", pcx(header(8, 1, {0, 0, 65534, 65534}, 65535), {}), Error::TooLarge},
        {"data short of the last line", pcx(header(8, 1, {0, 0, 1, 1}, 2), {1, 2, 3}), Error::Truncated},
        {"a run whose value byte is missing", pcx(header(8, 1, {0, 0, 1, 0}, 2), {0xC2}), Error::Truncated},
        {"a header cut short", cut, Error::Truncated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = decode(c.file);
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error(), c.error);
    }
}

}  // namespace
