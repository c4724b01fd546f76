#include <gtest/gtest.h>
#include <png.h>

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

// A file written by libpng's simplified writer, pixel for pixel.
std::vector<std::uint8_t> png_of(const Bitmap& b) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(b.width);
    image.height = static_cast<png_uint_32>(b.height);
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, b.bgra.data(), 0, nullptr);
    std::vector<std::uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, b.bgra.data(), 0, nullptr));
    out.resize(size);
    return out;
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

}  // namespace
