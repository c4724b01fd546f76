#include <gtest/gtest.h>
#include <png.h>

#include <array>

#include "picture/draw.h"
#include "picture/picture.h"
#include "support/magick.h"

using namespace tovalin::picture;
using namespace tovalin::test;

namespace {

// ImageMagick would otherwise write gamma chunks, which two decoders may
// honour differently; without them both take the file as sRGB.
const std::string kPlain = " -define png:exclude-chunk=gAMA,cHRM,bKGD,date,time ";
const std::string kAlphaRamp = " -alpha set -channel A -fx 'i/w' +channel ";

TEST(Png, EveryColourTypeAndDepthMatchesImageMagick) {
    struct Case {
        const char* name;
        std::string args;
        int tolerance;
    };
    const Case cases[] = {
        {"grey 1-bit", "rose: -colorspace Gray -threshold 50% -define png:color-type=0 -define png:bit-depth=1", 0},
        {"grey 8-bit", "rose: -colorspace Gray -define png:color-type=0 -define png:bit-depth=8", 0},
        {"grey 16-bit", "rose: -colorspace Gray -depth 16 -define png:color-type=0 -define png:bit-depth=16", 1},
        {"grey and alpha", "rose: -colorspace Gray" + kAlphaRamp + "-define png:color-type=4", 1},
        {"RGB 8-bit", "rose: -define png:color-type=2", 0},
        {"RGB 16-bit", "rose: -depth 16 -define png:color-type=2 -define png:bit-depth=16", 0},
        {"RGBA 8-bit", "rose:" + kAlphaRamp + "-define png:color-type=6", 1},
        {"RGBA 16-bit", "rose: -depth 16" + kAlphaRamp + "-define png:color-type=6 -define png:bit-depth=16", 1},
        {"palette 4-bit", "rose: -colors 16 -define png:color-type=3 -define png:bit-depth=4", 0},
        {"palette with transparency", "rose: -alpha set -channel A -fx 'i<30?0:1' +channel -colors 32 png8:", 0},
        {"interlaced RGB", "rose: -interlace PNG -define png:color-type=2", 0},
        {"interlaced RGBA 16-bit", "rose: -depth 16 -interlace PNG" + kAlphaRamp + "-define png:bit-depth=16", 1},
        {"interlaced grey and alpha 16-bit",
         "rose: -colorspace Gray -depth 16 -interlace PNG" + kAlphaRamp + "-define png:color-type=4", 2},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir / ("f" + std::to_string(n++) + ".png");
        std::string args = c.args, prefix;
        if (auto colon = args.rfind("png8:"); colon != std::string::npos) args.erase(colon), prefix = "png8:";
        run("convert " + args + kPlain + prefix + quoted(path.string()));
        const auto bytes = read_file(path);
        auto ours = decode(bytes);
        ASSERT_TRUE(ours) << to_string(ours.error());
        EXPECT_EQ(ours->format, Format::Png);
        EXPECT_EQ(ours->natural, (Size{70, 46}));
        Bitmap theirs = magick_decode(path);
        EXPECT_EQ(ours->pixels.has_alpha, theirs.has_alpha);
        // Colour under full transparency is nobody's business: compare what
        // is drawn, over the slot colour.
        Bitmap a = ours->pixels;
        flatten(a, {128, 160, 128});
        flatten(theirs, {128, 160, 128});
        EXPECT_LE(max_difference(a, theirs), c.tolerance);
    }
}

// A file written by libpng's simplified writer, pixel for pixel, from
// pixels in the given format.
std::vector<std::uint8_t> written(int width, int height, png_uint_32 format, const void* pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr);
    std::vector<std::uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, nullptr));
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> png_of(const Bitmap& b) { return written(b.width, b.height, PNG_FORMAT_BGRA, b.bgra.data()); }

// The same without an alpha channel (colour type 2).
std::vector<std::uint8_t> opaque_png_of(const Bitmap& b) {
    std::vector<std::uint8_t> bgr;
    for (std::size_t i = 0; i < b.bgra.size(); i += 4) bgr.insert(bgr.end(), {b.bgra[i], b.bgra[i + 1], b.bgra[i + 2]});
    return written(b.width, b.height, PNG_FORMAT_BGR, bgr.data());
}

TEST(Png, AlphaZeroHalfAndFullFlattenToExactBytes) {
    Bitmap src;
    src.width = 3, src.height = 1;
    src.bgra = {10, 20, 30, 0, 10, 20, 30, 128, 10, 20, 30, 255};
    auto decoded = decode(png_of(src));
    ASSERT_TRUE(decoded);
    ASSERT_TRUE(decoded->pixels.has_alpha);
    EXPECT_EQ(decoded->pixels.bgra[7], 128);

    Bitmap slot = decoded->pixels, paper = decoded->pixels;
    flatten(slot, {128, 160, 128});
    flatten(paper, {255, 255, 255});
    EXPECT_EQ(slot.bgra, (std::vector<std::uint8_t>{128, 160, 128, 255, 68, 89, 78, 255, 10, 20, 30, 255}));
    EXPECT_EQ(paper.bgra, (std::vector<std::uint8_t>{255, 255, 255, 255, 132, 137, 142, 255, 10, 20, 30, 255}));
}

// libpng's simplified reader, as the program read every PNG before rows were
// read one at a time.
Bitmap whole_image_read(const std::vector<std::uint8_t>& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
    Bitmap b;
    b.width = static_cast<int>(image.width), b.height = static_cast<int>(image.height);
    b.bgra.resize(b.stride() * static_cast<std::size_t>(b.height));
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    image.format = PNG_FORMAT_BGRA;
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, b.bgra.data(), 0, nullptr));
    png_image_free(&image);
    return b;
}

// Files that are not interlaced are read a row at a time, with the
// transformations the simplified reader chooses: the same bytes, gamma
// chunks and all (these files keep ImageMagick's gAMA and cHRM; libpng's
// linear writer marks its 16-bit file as gamma 1.0, which is converted).
TEST(Png, RowByRowReadingGivesTheWholeImageReadersBytes) {
    const std::pair<const char*, std::string> cases[] = {
        {"grey 1-bit", "rose: -colorspace Gray -threshold 50% -define png:color-type=0 -define png:bit-depth=1"},
        {"grey 16-bit", "rose: -colorspace Gray -depth 16 -define png:color-type=0 -define png:bit-depth=16"},
        {"grey with a transparent value", "rose: -colorspace Gray -transparent 'rgb(146,146,146)' -define png:color-type=0"},
        {"grey and alpha", "rose: -colorspace Gray" + kAlphaRamp + "-define png:color-type=4"},
        {"RGB 8-bit", "rose: -define png:color-type=2"},
        {"RGB with a transparent colour", "rose: -transparent 'rgb(72,64,57)' -define png:color-type=2"},
        {"RGBA 16-bit", "rose: -depth 16" + kAlphaRamp + "-define png:color-type=6 -define png:bit-depth=16"},
        {"palette with transparency", "rose: -alpha set -channel A -fx 'i<30?0:1' +channel -colors 32 png8:"},
    };
    TempDir dir;
    int n = 0;
    for (const auto& [name, args] : cases) {
        SCOPED_TRACE(name);
        const auto path = dir / ("r" + std::to_string(n++) + ".png");
        std::string a = args, prefix;
        if (auto colon = a.rfind("png8:"); colon != std::string::npos) a.erase(colon), prefix = "png8:";
        run("convert " + a + " " + prefix + quoted(path.string()));
        const auto bytes = read_file(path);
        auto ours = decode(bytes);
        ASSERT_TRUE(ours) << to_string(ours.error());
        const Bitmap theirs = whole_image_read(bytes);
        EXPECT_EQ(ours->pixels.bgra, theirs.bgra);
    }

    SCOPED_TRACE("linear 16-bit RGBA, gamma 1.0");
    std::vector<png_uint_16> linear(7 * 3 * 4);
    for (std::size_t i = 0; i < linear.size(); i += 4) {
        const auto a = static_cast<png_uint_16>(i % 3 == 0 ? 65535 : i * 1500);
        for (std::size_t c = 0; c < 3; ++c) linear[i + c] = static_cast<png_uint_16>(a / (c + 2));  // premultiplied
        linear[i + 3] = a;
    }
    const auto bytes = written(7, 3, PNG_FORMAT_BGRA | PNG_FORMAT_FLAG_LINEAR, linear.data());
    auto ours = decode(bytes);
    ASSERT_TRUE(ours);
    EXPECT_EQ(ours->pixels.bgra, whole_image_read(bytes).bgra);
}

// A picture decoded for a small target is averaged over whole blocks of
// pixels while its rows come in, by the largest factor that still covers
// the target; blocks at the right and bottom edges are cut short.
TEST(Png, ReducedWhileReadForASmallTarget) {
    auto bitmap = [](int w, int h, auto pixel) {
        Bitmap b;
        b.width = w, b.height = h;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::array<std::uint8_t, 4> p = pixel(x, y);
                b.bgra.insert(b.bgra.end(), p.begin(), p.end());
            }
        return b;
    };
    using Px = std::array<std::uint8_t, 4>;  // B G R A
    struct Case {
        const char* name;
        Bitmap source;
        Size target;
        Size reduced;
        Px every_pixel;
        bool has_alpha;
    };
    const Case cases[] = {
        {"black and white checks", bitmap(8, 6, [](int x, int y) { return (x + y) % 2 ? Px{255, 255, 255, 255} : Px{0, 0, 0, 255}; }),
         {4, 3}, {4, 3}, {128, 128, 128, 255}, false},
        {"a flat colour, edge blocks cut short", bitmap(7, 5, [](int, int) { return Px{12, 200, 77, 255}; }), {3, 2}, {4, 3},
         {12, 200, 77, 255}, false},
        // The green under the transparent pixels is not seen, and stays so.
        {"red beside transparent green", bitmap(4, 6, [](int x, int) { return x % 2 ? Px{0, 255, 0, 0} : Px{0, 0, 255, 255}; }),
         {2, 2}, {2, 3}, {0, 0, 255, 128}, true},
        {"all transparent", bitmap(4, 4, [](int, int) { return Px{9, 9, 9, 0}; }), {1, 1}, {1, 1}, {0, 0, 0, 0}, true},
        {"a target larger than the picture", bitmap(5, 4, [](int, int) { return Px{1, 2, 3, 255}; }), {50, 50}, {5, 4},
         {1, 2, 3, 255}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeOptions options;
        options.target = c.target;
        auto r = decode(c.has_alpha ? png_of(c.source) : opaque_png_of(c.source), options);
        ASSERT_TRUE(r) << to_string(r.error());
        EXPECT_EQ(r->natural, (Size{c.source.width, c.source.height}));
        ASSERT_EQ((Size{r->pixels.width, r->pixels.height}), c.reduced);
        EXPECT_EQ(r->pixels.has_alpha, c.has_alpha);
        for (std::size_t i = 0; i < r->pixels.bgra.size(); i += 4)
            ASSERT_EQ((Px{r->pixels.bgra[i], r->pixels.bgra[i + 1], r->pixels.bgra[i + 2], r->pixels.bgra[i + 3]}),
                      c.every_pixel)
                << "pixel " << i / 4;
    }
}

}  // namespace
