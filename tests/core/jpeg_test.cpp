#include <gtest/gtest.h>

#include <cmath>

#include "picture/picture.h"
#include "support/magick.h"

using namespace tovalin::picture;
using namespace tovalin::test;

namespace {

// An APP1 segment holding only an EXIF orientation tag, in either byte order.
std::vector<std::uint8_t> exif_segment(int orientation, bool big_endian) {
    auto u16 = [&](std::vector<std::uint8_t>& v, unsigned x) {
        if (big_endian) v.insert(v.end(), {std::uint8_t(x >> 8), std::uint8_t(x)});
        else v.insert(v.end(), {std::uint8_t(x), std::uint8_t(x >> 8)});
    };
    auto u32 = [&](std::vector<std::uint8_t>& v, unsigned x) {
        if (big_endian) u16(v, x >> 16), u16(v, x & 0xFFFF);
        else u16(v, x & 0xFFFF), u16(v, x >> 16);
    };
    std::vector<std::uint8_t> p = {'E', 'x', 'i', 'f', 0, 0};
    p.insert(p.end(), big_endian ? std::initializer_list<std::uint8_t>{'M', 'M'} : std::initializer_list<std::uint8_t>{'I', 'I'});
    u16(p, 42), u32(p, 8);                     // TIFF header, IFD0 at 8
    u16(p, 1);                                 // one entry
    u16(p, 0x0112), u16(p, 3), u32(p, 1);      // Orientation, SHORT, count 1
    u16(p, static_cast<unsigned>(orientation)), u16(p, 0);
    u32(p, 0);                                 // no next IFD
    std::vector<std::uint8_t> seg = {0xFF, 0xE1, std::uint8_t((p.size() + 2) >> 8), std::uint8_t(p.size() + 2)};
    seg.insert(seg.end(), p.begin(), p.end());
    return seg;
}

std::vector<std::uint8_t> with_exif(std::vector<std::uint8_t> jpeg, int orientation, bool big_endian) {
    const auto seg = exif_segment(orientation, big_endian);
    jpeg.insert(jpeg.begin() + 2, seg.begin(), seg.end());
    return jpeg;
}

double mean_difference(const Bitmap& a, const Bitmap& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.bgra.size(); ++i) sum += std::abs(a.bgra[i] - b.bgra[i]);
    return sum / static_cast<double>(a.bgra.size());
}

TEST(Jpeg, ColourLayoutsMatchImageMagick) {
    struct Case {
        const char* name;
        std::string args;
        std::string reference_options;
        int tolerance;
    };
    const Case cases[] = {
        {"grey", "rose: -colorspace Gray -quality 90", "", 1},
        {"colour 4:2:0", "rose: -quality 90 -sampling-factor 2x2", "", 2},
        {"colour 4:4:4", "rose: -quality 90 -sampling-factor 1x1", "", 2},
        {"progressive colour", "rose: -quality 85 -interlace JPEG", "", 2},
        {"CMYK", "rose: -colorspace CMYK -quality 95", "-colorspace sRGB", 3},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir / ("f" + std::to_string(n++) + ".jpg");
        const auto bytes = make_with_convert(c.args, path);
        auto ours = decode(bytes);
        ASSERT_TRUE(ours) << to_string(ours.error());
        EXPECT_EQ(ours->format, Format::Jpeg);
        EXPECT_FALSE(ours->pixels.has_alpha);
        EXPECT_LE(max_difference(ours->pixels, magick_decode(path, c.reference_options)), c.tolerance);
    }
}

TEST(Jpeg, EveryExifOrientationShowsUpright) {
    TempDir dir;
    const auto plain = make_with_convert("rose: -quality 92", dir / "rose.jpg");
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (bool big_endian : {false, true}) {
            SCOPED_TRACE(testing::Message() << "orientation " << orientation << (big_endian ? " MM" : " II"));
            const auto path = dir / ("o" + std::to_string(orientation) + (big_endian ? "m" : "i") + ".jpg");
            const auto bytes = with_exif(plain, orientation, big_endian);
            write_file(path, bytes);
            auto ours = decode(bytes);
            ASSERT_TRUE(ours) << to_string(ours.error());
            const Size upright = orientation >= 5 ? Size{46, 70} : Size{70, 46};
            EXPECT_EQ(ours->natural, upright);
            EXPECT_LE(max_difference(ours->pixels, magick_decode(path, "-auto-orient")), 2);
        }
    }
}

TEST(Jpeg, DecodeForATargetReducesButStillCovers) {
    TempDir dir;
    // 1600 x 1200, big enough for every DCT reduction.
    const auto baseline = make_with_convert("rose: -resize 1600x1200! -quality 90", dir / "b.jpg");
    const auto progressive = make_with_convert("rose: -resize 1600x1200! -quality 90 -interlace JPEG", dir / "p.jpg");
    struct Case {
        Size target;
        Size pixels;
    };
    const Case cases[] = {
        {{150, 90}, {200, 150}},    // 1/8
        {{201, 100}, {400, 300}},   // 1/4: 1/8 would be one column short
        {{400, 300}, {400, 300}},   // exactly 1/4
        {{401, 300}, {800, 600}},   // 1/2
        {{1000, 10}, {1600, 1200}}, // no reduction covers it
        {{5000, 5000}, {1600, 1200}},
    };
    for (const auto* file : {&baseline, &progressive}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (file == &baseline ? "baseline " : "progressive ") << c.target.width
                                            << "x" << c.target.height);
            DecodeOptions options;
            options.target = c.target;
            auto image = decode(*file, options);
            ASSERT_TRUE(image);
            EXPECT_EQ(image->natural, (Size{1600, 1200}));
            EXPECT_EQ((Size{image->pixels.width, image->pixels.height}), c.pixels);
        }
    }

    // The reduced pictures are what ImageMagick gets with the same reduction;
    // the progressive one stops early and must still look the same.
    DecodeOptions box;
    box.target = Size{150, 90};
    const Bitmap reference = magick_decode(dir / "b.jpg", "", "-define jpeg:size=200x150");
    auto reduced = decode(baseline, box);
    EXPECT_LE(max_difference(reduced->pixels, reference), 2);
    auto early = decode(progressive, box);
    const Bitmap progressive_reference = magick_decode(dir / "p.jpg", "", "-define jpeg:size=200x150");
    EXPECT_LE(max_difference(early->pixels, progressive_reference), 12);
    EXPECT_LT(mean_difference(early->pixels, progressive_reference), 1.0);
}

TEST(Jpeg, TargetIsUprightForAPhotoOnItsSide) {
    TempDir dir;
    const auto plain = make_with_convert("rose: -resize 1600x1200! -quality 90", dir / "b.jpg");
    DecodeOptions options;
    options.target = Size{90, 150};  // a tall box for a tall (upright) photo
    auto image = decode(with_exif(plain, 6, false), options);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->natural, (Size{1200, 1600}));
    EXPECT_EQ((Size{image->pixels.width, image->pixels.height}), (Size{150, 200}));
}

}  // namespace
