// Broken and hostile picture values: never a crash, never a leak (the
// sanitizer build runs these), never an allocation the limits refuse.
#include <gtest/gtest.h>

#include "picture/picture.h"
#include "support/magick.h"

using namespace tovalin::picture;
using namespace tovalin::test;

namespace {

// What any successful decode must satisfy.
void expect_consistent(const Result<Image>& r) {
    if (!r) return;
    const Bitmap& p = r->pixels;
    ASSERT_GT(p.width, 0);
    ASSERT_GT(p.height, 0);
    ASSERT_EQ(p.bgra.size(), static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 4);
    ASSERT_GT(r->natural.width, 0);
    ASSERT_GT(r->natural.height, 0);
}

struct Sample {
    const char* name;
    std::string args;
    std::string file;
};

const Sample kSamples[] = {
    {"PNG", "-size 13x7 gradient:red-blue -alpha set -channel A -fx 'i/w' +channel", "s.png"},
    {"interlaced PNG", "-size 13x7 gradient:green-yellow -interlace PNG", "i.png"},
    {"JPEG", "-size 24x17 gradient:red-blue -quality 80", "s.jpg"},
    {"progressive JPEG", "-size 24x17 gradient:red-blue -quality 80 -interlace JPEG", "p.jpg"},
    {"BMP", "-size 13x7 gradient:red-blue -alpha set -channel A -fx 'i/w' +channel", "s.bmp"},
    {"BMP RLE8", "-size 13x7 gradient:red-blue -colors 16 -type Palette -compress RLE", "r.bmp"},
    {"ICO", "-size 13x7 gradient:red-blue -alpha set -channel A -fx 'i/w' +channel", "s.ico"},
    {"ICO 4-bit", "-size 13x7 gradient:red-blue -colors 16 -type Palette", "p.ico"},
    {"animated GIF", "-delay 5 -size 9x7 gradient:red-blue -colors 8 -dispose Previous -page +2+1 -size 5x4 xc:blue -interlace GIF",
     "a.gif"},
    {"PCX with palette", "-size 13x7 gradient:red-blue -colors 16 -type Palette", "p.pcx"},
    {"24-bit PCX", "-size 13x7 gradient:red-blue -type TrueColor", "t.pcx"},
};

// Where the last image data chunk of a PNG ends; what follows it is not
// needed for the picture.
std::size_t end_of_image_data(const std::vector<std::uint8_t>& png) {
    std::size_t end = 0;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::size_t length = std::size_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        if (std::equal(png.begin() + static_cast<std::ptrdiff_t>(at + 4), png.begin() + static_cast<std::ptrdiff_t>(at + 8), "IDAT"))
            end = at + 12 + length;
        at += 12 + length;
    }
    return end;
}

TEST(Robustness, EveryTruncationOfASmallFile) {
    TempDir dir;
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.name);
        const auto bytes = make_with_convert(s.args, dir / s.file);
        ASSERT_TRUE(decode(bytes));
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            const std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
            auto r = decode(prefix);
            expect_consistent(r);
            // A PNG cut before its image data ends is no picture. (A cut JPEG
            // shows what arrived, as every viewer does.)
            if (sniff(bytes) == Format::Png && n < end_of_image_data(bytes)) {
                EXPECT_FALSE(r) << "prefix " << n;
            }
            DecodeOptions small;
            small.target = Size{3, 2};
            expect_consistent(decode(prefix, small));
        }
    }
}

TEST(Robustness, OneByteMutations) {
    TempDir dir;
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.name);
        const auto bytes = make_with_convert(s.args, dir / s.file);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            for (std::uint8_t v : {std::uint8_t(0x00), std::uint8_t(0xFF), std::uint8_t(bytes[i] ^ 0x80)}) {
                auto mutated = bytes;
                mutated[i] = v;
                expect_consistent(decode(mutated));
            }
        }
    }
}

TEST(Robustness, SizesPastTheLimitsAreRefusedFromTheHeader) {
    TempDir dir;
    const auto png = make_with_convert("-size 37x23 xc:red", dir / "r.png");
    const auto jpeg = make_with_convert("-size 37x23 xc:red", dir / "r.jpg");

    DecodeOptions tight;
    tight.limits.max_pixels = 37 * 23 - 1;
    EXPECT_EQ(decode(png, tight).error(), Error::TooLarge);
    EXPECT_EQ(decode(jpeg, tight).error(), Error::TooLarge);
    tight.limits.max_pixels = 37 * 23;
    EXPECT_TRUE(decode(png, tight));
    EXPECT_TRUE(decode(jpeg, tight));

    // The same files claiming 60000 x 60000 pixels: refused before any
    // allocation of 14 GB, whatever data follows.
    auto huge_png = png;
    const std::uint8_t side[4] = {0x00, 0x00, 0xEA, 0x60};
    std::copy(side, side + 4, huge_png.begin() + 16);  // IHDR width
    std::copy(side, side + 4, huge_png.begin() + 20);  // IHDR height
    auto huge_jpeg = jpeg;
    for (std::size_t i = 0; i + 8 < huge_jpeg.size(); ++i) {
        if (huge_jpeg[i] == 0xFF && huge_jpeg[i + 1] == 0xC0) {  // SOF0: length, precision, height, width
            huge_jpeg[i + 5] = 0xEA, huge_jpeg[i + 6] = 0x60, huge_jpeg[i + 7] = 0xEA, huge_jpeg[i + 8] = 0x60;
            break;
        }
    }
    // The PNG's header checksum no longer matches; libpng refuses it either
    // way, and it must not be for lack of memory.
    EXPECT_FALSE(decode(huge_png));
    EXPECT_NE(decode(huge_png).error(), Error::OutOfMemory);
    EXPECT_EQ(decode(huge_jpeg).error(), Error::TooLarge);
}

TEST(Robustness, ValuesThatAreNoPicture) {
    const std::vector<std::uint8_t> seven = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A};
    const std::string text = "This is a text file, not a picture.\n";
    EXPECT_EQ(decode(seven).error(), Error::UnknownFormat);
    EXPECT_EQ(decode({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}).error(), Error::UnknownFormat);
    EXPECT_EQ(decode({}).error(), Error::UnknownFormat);
    // Right signature, nothing behind it.
    const std::vector<std::uint8_t> png_head = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0};
    const std::vector<std::uint8_t> jpeg_head = {0xFF, 0xD8, 0xFF, 0xD9, 0, 0, 0, 0};
    EXPECT_FALSE(decode(png_head));
    EXPECT_FALSE(decode(jpeg_head));
}

}  // namespace
