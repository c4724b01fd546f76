#include <gtest/gtest.h>

#include <functional>

#include "picture/decoders.h"
#include "picture/draw.h"
#include "picture/icon.h"
#include "picture/picture.h"
#include "support/le_bytes.h"
#include "support/magick.h"

using namespace tovalin::picture;
using namespace tovalin::test;

namespace {

// Directory entry i: its size at 14 + 16 i, its offset at 18 + 16 i.
std::size_t entry_size_at(std::size_t i) { return 14 + 16 * i; }
std::size_t entry_offset_at(std::size_t i) { return 18 + 16 * i; }

// An icon file of the given entries, in order after the directory.
File icon_file(const std::vector<File>& entries, std::uint32_t type = 1) {
    File f;
    add16(f, 0), add16(f, type), add16(f, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const File& e : entries) {
        f.insert(f.end(), {0, 0, 0, 0});  // size and colour bytes: the entry's header is what counts
        add16(f, 1), add16(f, 32);
        add32(f, static_cast<std::uint32_t>(e.size()));
        add32(f, offset);
        offset += static_cast<std::uint32_t>(e.size());
    }
    for (const File& e : entries) f.insert(f.end(), e.begin(), e.end());
    return f;
}

// A bitmap entry: a 40-byte header of twice the height, then palette,
// colour rows and mask rows as given.
File dib_entry(int width, int height, int bits, const File& palette, const File& rows, const File& mask,
               std::uint32_t compression = 0) {
    File e;
    add32(e, 40), add32(e, static_cast<std::uint32_t>(width)), add32(e, static_cast<std::uint32_t>(2 * height));
    add16(e, 1), add16(e, static_cast<std::uint32_t>(bits));
    add32(e, compression);
    for (int i = 0; i < 5; ++i) add32(e, 0);
    e.insert(e.end(), palette.begin(), palette.end());
    e.insert(e.end(), rows.begin(), rows.end());
    e.insert(e.end(), mask.begin(), mask.end());
    return e;
}

// An ICO turned into a CUR: the type, and a hotspot where planes and bits were.
File as_cursor(File f) {
    set16(f, 2, 2);
    for (std::size_t i = 0; i < std::size_t{f[4]} + 256u * f[5]; ++i) set16(f, 10 + 16 * i, 3), set16(f, 12 + 16 * i, 5);
    return f;
}

Bitmap flattened(Bitmap b) {
    flatten(b, {128, 160, 128});
    return b;
}

TEST(Icon, EveryKindMatchesImageMagick) {
    const std::string small = "rose: -resize 32x32! ";
    struct Case {
        const char* name;
        std::string args;
        bool cursor;
        Size size;
        bool has_alpha;
    };
    const Case cases[] = {
        {"1-bit", small + "-colors 2 -type Palette", false, {32, 32}, false},
        {"4-bit", small + "-colors 16 -type Palette", false, {32, 32}, false},
        {"4-bit, mask", small + "-alpha set -channel A -fx 'i<5&&j>3?0:1' +channel -colors 16", false, {32, 32}, true},
        {"8-bit", small + "-colors 200 -type Palette", false, {32, 32}, false},
        {"32-bit opaque", small, false, {32, 32}, false},
        {"32-bit alpha", small + "-alpha set -channel A -fx i/w +channel", false, {32, 32}, true},
        {"32-bit 20 x 13", "rose: -resize 20x13!", false, {20, 13}, false},
        {"PNG inside, 256 x 256", "rose: -resize 256x256! -alpha set -channel A -fx i/w +channel", false, {256, 256}, true},
        {"cursor, 32-bit alpha", small + "-alpha set -channel A -fx j/h +channel", true, {32, 32}, true},
        {"cursor, 4-bit, mask", small + "-alpha set -channel A -fx 'i>20?0:1' +channel -colors 16", true, {32, 32}, true},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir / ("i" + std::to_string(n++) + ".ico");
        File bytes = make_with_convert(c.args, path);
        if (c.cursor) bytes = as_cursor(bytes);
        auto ours = decode(bytes);
        ASSERT_TRUE(ours) << to_string(ours.error());
        EXPECT_EQ(ours->format, c.cursor ? Format::Cur : Format::Ico);
        EXPECT_EQ(ours->natural, c.size);
        EXPECT_EQ(ours->pixels.has_alpha, c.has_alpha);
        EXPECT_EQ(max_difference(flattened(ours->pixels), flattened(magick_decode(path))), 0);
    }
}

TEST(Icon, TheBestEntryIsTheSizeAndTheTargetPicksThePixels) {
    TempDir dir;
    const auto path = dir / "multi.ico";
    // ImageMagick writes the 256 entry as PNG, the others as 32-bit bitmaps.
    const File bytes =
        make_with_convert("rose: -alpha set -channel A -fx i/w +channel -define icon:auto-resize=256,48,32,16", path);
    struct Case {
        const char* name;
        std::optional<Size> target;
        int frame;  // ImageMagick's frame, in directory order
        int side;
    };
    const Case cases[] = {
        {"no target", std::nullopt, 0, 256},   {"larger than all", Size{300, 300}, 0, 256},
        {"between 32 and 48", Size{40, 40}, 1, 48}, {"wide and short", Size{33, 2}, 1, 48},
        {"exactly 32", Size{32, 32}, 2, 32},   {"smaller than all", Size{3, 2}, 3, 16},
        {"taller than all but one", Size{10, 100}, 0, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeOptions options;
        options.target = c.target;
        auto ours = decode(bytes, options);
        ASSERT_TRUE(ours) << to_string(ours.error());
        EXPECT_EQ(ours->natural, (Size{256, 256}));
        ASSERT_EQ(ours->pixels.width, c.side);
        const auto frame = dir / ("frame" + std::to_string(c.frame) + ".png");
        run("convert " + quoted(path.string() + "[" + std::to_string(c.frame) + "]") + " PNG32:" + quoted(frame.string()));
        EXPECT_EQ(max_difference(flattened(ours->pixels), flattened(magick_decode(frame))), 0);
    }
}

TEST(Icon, EntryChoice) {
    using E = std::vector<IconEntry>;
    const E sizes = {{{16, 16}, 32}, {{48, 48}, 8}, {{32, 32}, 32}};
    struct Case {
        const char* name;
        E entries;
        std::optional<Size> target;
        std::size_t chosen;
    };
    const Case cases[] = {
        {"best: the largest, whatever its depth", sizes, std::nullopt, 1},
        {"best: among equals, the deepest", {{{32, 32}, 8}, {{32, 32}, 32}, {{32, 32}, 24}}, std::nullopt, 1},
        {"best: among full equals, the first", {{{32, 32}, 32}, {{32, 32}, 32}}, std::nullopt, 0},
        {"best: area, not width", {{{64, 8}, 32}, {{30, 30}, 8}}, std::nullopt, 1},
        {"target below all: the smallest", sizes, Size{8, 8}, 0},
        {"target between: the next larger", sizes, Size{20, 20}, 2},
        {"target met exactly", sizes, Size{32, 32}, 2},
        {"target above all: the best", sizes, Size{49, 10}, 1},
        {"one direction too small does not count", {{{64, 16}, 32}, {{32, 32}, 32}}, Size{20, 20}, 1},
        {"same size: the deepest", {{{32, 32}, 8}, {{32, 32}, 32}, {{48, 48}, 32}}, Size{24, 24}, 1},
        {"one entry", {{{16, 16}, 4}}, Size{100, 100}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(choose_icon_entry(c.entries, c.target), c.chosen);
    }
}

// 2 x 2 pixels for the hand-made entries, bottom row first.
const File kRows32 = {
    0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x00,  // bottom: alpha 0, 0
    0x70, 0x80, 0x90, 0x00, 0xA0, 0xB0, 0xC0, 0x00,  // top: alpha 0, 0
};
const File kRows32Alpha = {
    0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0x80,
    0x70, 0x80, 0x90, 0x00, 0xA0, 0xB0, 0xC0, 0xFF,
};
// Mask rows of 4 bytes: bottom left and top right transparent.
const File kMask = {0x80, 0, 0, 0, 0x40, 0, 0, 0};

TEST(Icon, MaskAndAlpha) {
    using Px = std::array<std::uint8_t, 4>;
    struct Case {
        const char* name;
        File entry;
        std::vector<Px> want;  // top row first
    };
    File palette = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00};  // red, blue
    palette.resize(16 * 4, 0);
    const Case cases[] = {
        {"32-bit, every alpha 0: the mask decides", dib_entry(2, 2, 32, {}, kRows32, kMask),
         {{0x70, 0x80, 0x90, 0xFF}, {0xA0, 0xB0, 0xC0, 0x00}, {0x10, 0x20, 0x30, 0x00}, {0x40, 0x50, 0x60, 0xFF}}},
        {"32-bit alpha: the mask does not count", dib_entry(2, 2, 32, {}, kRows32Alpha, kMask),
         {{0x70, 0x80, 0x90, 0x00}, {0xA0, 0xB0, 0xC0, 0xFF}, {0x10, 0x20, 0x30, 0xFF}, {0x40, 0x50, 0x60, 0x80}}},
        {"32-bit alpha: no mask needed", dib_entry(2, 2, 32, {}, kRows32Alpha, {}),
         {{0x70, 0x80, 0x90, 0x00}, {0xA0, 0xB0, 0xC0, 0xFF}, {0x10, 0x20, 0x30, 0xFF}, {0x40, 0x50, 0x60, 0x80}}},
        {"4-bit and mask", dib_entry(2, 2, 4, palette, {0x01, 0, 0, 0, 0x10, 0, 0, 0}, kMask),
         {{0xFF, 0x00, 0x00, 0xFF}, {0x00, 0x00, 0xFF, 0x00}, {0x00, 0x00, 0xFF, 0x00}, {0xFF, 0x00, 0x00, 0xFF}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = decode(icon_file({c.entry}));
        ASSERT_TRUE(r) << to_string(r.error());
        ASSERT_EQ(r->pixels.bgra.size(), 16u);
        EXPECT_TRUE(r->pixels.has_alpha);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(std::equal(c.want[i].begin(), c.want[i].end(), r->pixels.bgra.begin() + 4 * static_cast<std::ptrdiff_t>(i)))
                << "pixel " << i;
    }
}

TEST(Icon, MalformedAndUnsupported) {
    const File good = dib_entry(2, 2, 32, {}, kRows32Alpha, kMask);
    File rle = dib_entry(2, 2, 8, File(1024, 0), {0x00, 0x01}, {}, 1);
    struct Case {
        const char* name;
        std::function<File()> make;
        std::optional<Error> error;  // none: it decodes
    };
    const Case cases[] = {
        {"no entries", [] { return File{0, 0, 1, 0, 0, 0}; }, Error::BadHeader},
        {"type 3", [&] { auto f = icon_file({good}); f[2] = 3; return f; }, Error::BadHeader},
        {"directory cut short", [&] { auto f = icon_file({good}); f[4] = 2; f.resize(30); return f; }, Error::Truncated},
        {"offset plus size wraps in 32 bits",
         [&] { auto f = icon_file({good}); set32(f, entry_offset_at(0), 0xFFFFFFF0); set32(f, entry_size_at(0), 0x20); return f; },
         Error::BadHeader},
        {"entry past the end", [&] { auto f = icon_file({good}); set32(f, entry_size_at(0), 4096); return f; }, Error::Truncated},
        {"entry inside the directory", [&] { auto f = icon_file({good}); set32(f, entry_offset_at(0), 6); return f; },
         Error::BadHeader},
        {"entry of 0 bytes", [&] { auto f = icon_file({good}); set32(f, entry_size_at(0), 0); return f; }, Error::BadHeader},
        {"bitmap of odd height", [&] { auto f = icon_file({good}); set32(f, 22 + 8, 3); return f; }, Error::BadHeader},
        {"bitmap from the top", [&] { auto f = icon_file({good}); set32(f, 22 + 8, static_cast<std::uint32_t>(-4)); return f; },
         Error::BadHeader},
        {"colour rows cut short", [&] { auto e = good; e.resize(40 + 10); return icon_file({e}); }, Error::Truncated},
        {"32-bit, every alpha 0, no mask", [] { return icon_file({dib_entry(2, 2, 32, {}, kRows32, {})}); },
         Error::Truncated},
        {"PNG with a broken header",
         [] { return icon_file({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'X',
                                 0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0}}); },
         Error::BadHeader},
        {"PNG cut in its header", [] { return icon_file({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0}}); },
         Error::Truncated},
        {"an entry too large for the limits",
         [&] { auto e = good; set32(e, 4, 60000), set32(e, 8, 120000); return icon_file({good, e}); },
         Error::TooLarge},
        {"only an RLE entry", [&] { return icon_file({rle}); }, Error::Unsupported},
        {"an RLE entry beside a good one", [&] { return icon_file({rle, good}); }, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Straight to the decoder: some of these fail the signature test.
        auto r = decode_icon(c.make(), {});
        if (!c.error) {
            EXPECT_TRUE(r) << to_string(r.error());
            continue;
        }
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error(), *c.error) << to_string(r.error());
    }
}

TEST(Icon, ACutFileIsNoPicture) {
    // The directory gives every entry's size, so a cut anywhere is seen
    // before any pixel, the mask a 32-bit entry with alpha does not need
    // included.
    for (const File& full : {icon_file({dib_entry(2, 2, 32, {}, kRows32, kMask)}),
                             icon_file({dib_entry(2, 2, 32, {}, kRows32Alpha, kMask)})}) {
        ASSERT_TRUE(decode(full));
        for (std::size_t n = 0; n < full.size(); ++n) {
            const File prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_FALSE(decode(prefix)) << "prefix " << n;
        }
    }
}

}  // namespace
