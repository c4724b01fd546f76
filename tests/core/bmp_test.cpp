#include <gtest/gtest.h>

#include <functional>

#include "picture/decoders.h"
#include "picture/draw.h"
#include "picture/picture.h"
#include "support/le_bytes.h"
#include "support/magick.h"

using namespace tovalin::picture;
using namespace tovalin::test;

namespace {

// A BMP file: file header, then the info header (with palette or masks
// after it) and the pixels, which start right after.
File bmp_file(const File& header_and_palette, const File& pixels) {
    File f = {'B', 'M'};
    add32(f, static_cast<std::uint32_t>(14 + header_and_palette.size() + pixels.size()));
    add32(f, 0);
    add32(f, static_cast<std::uint32_t>(14 + header_and_palette.size()));
    f.insert(f.end(), header_and_palette.begin(), header_and_palette.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// A 40-byte info header, or a larger one (its masks zero unless given).
File info_header(int width, int height, int bits, std::uint32_t compression, std::uint32_t colours = 0,
                 std::uint32_t size = 40, std::array<std::uint32_t, 4> masks = {}) {
    File h;
    add32(h, size);
    add32(h, static_cast<std::uint32_t>(width));
    add32(h, static_cast<std::uint32_t>(height));
    add16(h, 1);
    add16(h, static_cast<std::uint32_t>(bits));
    add32(h, compression);
    for (int i = 0; i < 3; ++i) add32(h, 0);  // image size, resolution
    add32(h, colours);
    add32(h, 0);
    for (std::uint32_t m : masks)
        if (h.size() < size) add32(h, m);
    h.resize(size, 0);
    return h;
}

// BGRA palette entries as a file stores them (B, G, R, reserved).
constexpr std::uint8_t kRed[4] = {0, 0, 255, 0}, kGreen[4] = {0, 255, 0, 0}, kBlue[4] = {255, 0, 0, 0},
                       kWhite[4] = {255, 255, 255, 0};
void add_entry(File& f, const std::uint8_t (&e)[4]) { f.insert(f.end(), e, e + 4); }

// Where a BMP's pixel offset and its header's size are, and a rewrite of the
// header into another kind with the same pixels.
constexpr std::size_t kOffset = 10, kHeaderSize = 14;

File with_header_size(File f, std::uint32_t size, const std::function<void(File& header)>& patch = {}) {
    const std::uint32_t old = get32(f, kHeaderSize);
    File header(f.begin() + kHeaderSize, f.begin() + kHeaderSize + old);
    header.resize(size, 0);
    set32(header, 0, size);
    if (patch) patch(header);
    File out(f.begin(), f.begin() + kHeaderSize);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), f.begin() + kHeaderSize + old, f.end());
    set32(out, kOffset, get32(f, kOffset) + size - old);
    set32(out, 2, static_cast<std::uint32_t>(out.size()));
    return out;
}

// Rows stored top first instead, flagged by a negative height.
File top_down(File f) {
    const std::size_t offset = get32(f, kOffset);
    const int width = static_cast<int>(get32(f, 18)), height = static_cast<int>(get32(f, 22));
    const int bits = static_cast<int>(f[28]);
    const std::size_t stride = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    File out = f;
    for (int y = 0; y < height; ++y)
        std::copy_n(f.begin() + static_cast<std::ptrdiff_t>(offset + static_cast<std::size_t>(y) * stride), stride,
                    out.begin() + static_cast<std::ptrdiff_t>(offset + static_cast<std::size_t>(height - 1 - y) * stride));
    set32(out, 22, static_cast<std::uint32_t>(-height));
    return out;
}

// The rows of an uncompressed 4-bit file encoded again as RLE4: runs of
// three or more, absolute stretches between them, pairs for the rest.
File as_rle4(const File& f) {
    const std::size_t offset = get32(f, kOffset);
    const int width = static_cast<int>(get32(f, 18)), height = static_cast<int>(get32(f, 22));
    const std::size_t stride = (static_cast<std::size_t>(width) * 4 + 31) / 32 * 4;
    File stream;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = f.data() + offset + static_cast<std::size_t>(y) * stride;
        std::vector<int> p(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x) p[static_cast<std::size_t>(x)] = x & 1 ? row[x / 2] & 15 : row[x / 2] >> 4;
        auto run_at = [&](int x) {
            int n = 1;
            while (x + n < width && n < 255 && p[static_cast<std::size_t>(x + n)] == p[static_cast<std::size_t>(x)]) ++n;
            return n;
        };
        for (int x = 0; x < width;) {
            if (int n = run_at(x); n >= 3) {
                const int v = p[static_cast<std::size_t>(x)];
                stream.insert(stream.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(v << 4 | v)});
                x += n;
                continue;
            }
            int n = 0;
            while (x + n < width && n < 40 && run_at(x + n) < 3) ++n;
            if (n < 3) {
                const int a = p[static_cast<std::size_t>(x)], b = n == 2 ? p[static_cast<std::size_t>(x + 1)] : 0;
                stream.insert(stream.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(a << 4 | b)});
            } else {
                stream.insert(stream.end(), {0, static_cast<std::uint8_t>(n)});
                File literal;
                for (int i = 0; i < n; i += 2)
                    literal.push_back(static_cast<std::uint8_t>(p[static_cast<std::size_t>(x + i)] << 4 |
                                                                (i + 1 < n ? p[static_cast<std::size_t>(x + i + 1)] : 0)));
                if (literal.size() & 1) literal.push_back(0);
                stream.insert(stream.end(), literal.begin(), literal.end());
            }
            x += n;
        }
        stream.insert(stream.end(), {0, 0});
    }
    stream.insert(stream.end(), {0, 1});
    File out(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(offset));
    out.insert(out.end(), stream.begin(), stream.end());
    set32(out, 30, 2);
    set32(out, 34, static_cast<std::uint32_t>(stream.size()));
    set32(out, 2, static_cast<std::uint32_t>(out.size()));
    return out;
}

TEST(Bmp, EveryKindMatchesImageMagick) {
    const std::string ramp = " -alpha set -channel A -fx i/w +channel ";
    struct Case {
        const char* name;
        std::string args;  // for convert, ending in the output's prefix
        std::function<File(File)> rewrite;
        std::string reference_options;  // ImageMagick's reading of the file as written
        bool has_alpha;
    };
    const auto os2_v2 = [](File f) { return with_header_size(std::move(f), 64); };
    const Case cases[] = {
        {"OS/2 1.x 1-bit", "rose: -colors 2 -type Palette bmp2:", {}, "", false},
        {"OS/2 1.x 4-bit", "rose: -colors 16 -type Palette bmp2:", {}, "", false},
        {"OS/2 1.x 8-bit", "rose: -colors 200 -type Palette bmp2:", {}, "", false},
        {"OS/2 1.x 24-bit", "rose: bmp2:", {}, "", false},
        {"OS/2 2.x 8-bit, 64-byte header", "rose: -colors 200 -type Palette -compress None bmp3:", os2_v2, "", false},
        {"OS/2 2.x 24-bit, 16-byte header", "rose: bmp3:", [](File f) { return with_header_size(std::move(f), 16); },
         "", false},
        {"info 1-bit", "rose: -type bilevel bmp3:", {}, "", false},
        {"info 4-bit, 16 colours", "rose: -colors 16 -type Palette bmp3:", {}, "", false},
        {"info 8-bit", "rose: -colors 200 -type Palette -compress None bmp3:", {}, "", false},
        {"info 24-bit", "rose: bmp3:", {}, "", false},
        {"info 24-bit top-down", "rose: bmp3:", top_down, "", false},
        {"info RLE8", "rose: -colors 200 -type Palette -compress RLE bmp3:", {}, "", false},
        {"info RLE4", "rose: -colors 16 -type Palette bmp3:", as_rle4, "", false},
        {"info 16-bit 5-5-5 without masks", "rose: -define bmp:subtype=RGB555 bmp:",
         [](File f) { return with_header_size(std::move(f), 40, [](File& h) { set32(h, 16, 0); }); }, "", false},
        {"info 32-bit, fourth byte not alpha", "rose:" + ramp + "bmp:",
         [](File f) { return with_header_size(std::move(f), 40, [](File& h) { set32(h, 16, 0); }); }, "-alpha off",
         false},
        {"V4 24-bit", "rose: bmp:", [](File f) { return with_header_size(std::move(f), 108); }, "", false},
        {"V4 32-bit alpha", "rose:" + ramp + "bmp:", [](File f) { return with_header_size(std::move(f), 108); }, "",
         true},
        {"V5 24-bit", "rose: bmp:", {}, "", false},
        {"V5 32-bit alpha", "rose:" + ramp + "bmp:", {}, "", true},
        {"V5 16-bit 5-6-5", "rose: -define bmp:subtype=RGB565 bmp:", {}, "", false},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto written = dir / ("w" + std::to_string(n) + ".bmp");
        const auto rewritten = dir / ("r" + std::to_string(n++) + ".bmp");
        const std::size_t colon = c.args.rfind(' ');
        run("convert " + c.args.substr(0, colon) + " " + c.args.substr(colon + 1) + quoted(written.string()));
        File bytes = read_file(written);
        if (c.rewrite) bytes = c.rewrite(bytes);
        write_file(rewritten, bytes);

        auto ours = decode(bytes);
        ASSERT_TRUE(ours) << to_string(ours.error());
        EXPECT_EQ(ours->format, Format::Bmp);
        EXPECT_EQ(ours->natural, (Size{70, 46}));
        EXPECT_EQ(ours->pixels.has_alpha, c.has_alpha);
        Bitmap theirs = magick_decode(written, c.reference_options);
        Bitmap a = ours->pixels;
        flatten(a, {128, 160, 128});
        flatten(theirs, {128, 160, 128});
        EXPECT_EQ(max_difference(a, theirs), 0);
    }
}

// Expected pixels, top row first.
using Rows = std::vector<std::vector<std::array<std::uint8_t, 4>>>;
constexpr std::array<std::uint8_t, 4> R{0, 0, 255, 255}, G{0, 255, 0, 255}, B{255, 0, 0, 255}, W{255, 255, 255, 255},
    K{0, 0, 0, 255}, T{0, 0, 0, 0};

void expect_pixels(const Bitmap& b, const Rows& rows) {
    ASSERT_EQ(b.height, static_cast<int>(rows.size()));
    for (int y = 0; y < b.height; ++y) {
        ASSERT_EQ(b.width, static_cast<int>(rows[static_cast<std::size_t>(y)].size()));
        for (int x = 0; x < b.width; ++x) {
            const std::uint8_t* p = b.row(y) + 4 * x;
            const auto& want = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            EXPECT_TRUE(std::equal(want.begin(), want.end(), p)) << "pixel " << x << "," << y;
        }
    }
}

File four_colour_palette() {
    File p;
    add_entry(p, kRed), add_entry(p, kGreen), add_entry(p, kBlue), add_entry(p, kWhite);
    return p;
}

// A 4 x 3 RLE8 picture: a run that reaches past the right edge, an
// absolute stretch with its padding byte, a delta past the right edge and a
// run after it, a delta past the top. Nothing may land outside the picture,
// and what the stream skips stays transparent.
const File kRle8Stream = {
    0x06, 0x01,                    // bottom row: six of green; four fit
    0x00, 0x00,                    // end of line
    0x00, 0x03, 0x02, 0x03, 0x02,  // absolute: blue, white, blue
    0x00,                          //   padding to 16 bits
    0x00, 0x02, 0xC8, 0x00,        // delta 200 right: past the edge
    0x01, 0x00,                    // one red, drawn nowhere
    0x00, 0x00,                    // end of line
    0x00, 0x02, 0x01, 0x00,        // top row: delta 1 right
    0x01, 0x03,                    // one white
    0x00, 0x02, 0x00, 0x05,        // delta 5 up: past the top, the end
    0x05, 0x00,                    // never read
};

File rle8_file(const File& stream) {
    File head = info_header(4, 3, 8, 1, 4);
    const File palette = four_colour_palette();
    head.insert(head.end(), palette.begin(), palette.end());
    return bmp_file(head, stream);
}

TEST(Bmp, RleRunsAndDeltasStayInsideThePicture) {
    auto r = decode(rle8_file(kRle8Stream));
    ASSERT_TRUE(r) << to_string(r.error());
    EXPECT_TRUE(r->pixels.has_alpha);
    expect_pixels(r->pixels, {{T, W, T, T}, {B, W, B, T}, {G, G, G, G}});

    // 5 x 2 RLE4 with two colours: alternating nibbles in a run, an odd
    // absolute stretch, and an index past the palette, which shows black.
    File head = info_header(5, 2, 4, 2, 2);
    add_entry(head, kRed), add_entry(head, kBlue);
    const File stream = {
        0x05, 0x10,              // bottom row: blue, red, blue, red, blue
        0x00, 0x00,              // end of line
        0x00, 0x03, 0x01, 0x70,  // absolute: red, blue, index 7 (2 bytes, even)
        0x00, 0x01,              // end of bitmap
    };
    auto four = decode(bmp_file(head, stream));
    ASSERT_TRUE(four) << to_string(four.error());
    expect_pixels(four->pixels, {{R, B, K, T, T}, {B, R, B, R, B}});
}

TEST(Bmp, WhereAnRleStreamMayEnd) {
    struct Case {
        const char* name;
        File stream;
        bool decodes;
    };
    const Case cases[] = {
        {"end of bitmap at once", {0x00, 0x01}, true},
        {"last end of line instead of end of bitmap",
         {0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00}, true},
        {"stops in the top row", {0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00}, false},
        {"stops inside a pair", {0x04}, false},
        {"absolute stretch cut short", {0x00, 0x05, 0x01, 0x02}, false},
        {"delta cut short", {0x00, 0x02, 0x01}, false},
        {"empty", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = decode(rle8_file(c.stream));
        EXPECT_EQ(r.ok(), c.decodes);
        if (!c.decodes) {
            EXPECT_EQ(r.error(), Error::Truncated);
        }
    }
}

TEST(Bmp, PaletteIndicesPastThePaletteAreBlack) {
    // 8-bit, 3 x 1, a palette of two entries; indices 1, 2 and 255.
    File head = info_header(3, 1, 8, 0, 2);
    add_entry(head, kRed), add_entry(head, kWhite);
    auto r = decode(bmp_file(head, {0x01, 0x02, 0xFF, 0x00}));
    ASSERT_TRUE(r) << to_string(r.error());
    EXPECT_FALSE(r->pixels.has_alpha);
    expect_pixels(r->pixels, {{W, K, K}});

    // A palette cut short by the pixel offset, as OS/2 1.x files declare it:
    // 1-bit, one entry of 3 bytes where two are indexable.
    File core;
    add32(core, 12), add16(core, 2), add16(core, 1), add16(core, 1), add16(core, 1);
    core.insert(core.end(), {0xFF, 0x00, 0x00});  // blue
    auto short_palette = decode(bmp_file(core, {0x40, 0x00, 0x00, 0x00}));
    ASSERT_TRUE(short_palette) << to_string(short_palette.error());
    expect_pixels(short_palette->pixels, {{B, K}});
}

TEST(Bmp, MasksAndAlpha) {
    // 16-bit pixels 0x001F, 0x07E0, 0xF800, 0x0841 under different masks;
    // 32-bit pixels with alpha bytes 0 and 0x80.
    const File sixteen = {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0x41, 0x08};
    const File thirtytwo = {0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x80};
    const File thirtytwo_no_alpha = {0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x00};
    const std::array<std::uint8_t, 4> grey8{8, 8, 8, 255};
    struct Case {
        const char* name;
        File file;
        Rows want;
        bool has_alpha;
    };
    File masks_after_info = info_header(4, 1, 16, 3);
    add32(masks_after_info, 0xF800), add32(masks_after_info, 0x07E0), add32(masks_after_info, 0x001F);
    File alpha_masks_after_info = info_header(2, 1, 32, 6);
    for (std::uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) add32(alpha_masks_after_info, m);
    const Case cases[] = {
        {"5-6-5 after a 40-byte header", bmp_file(masks_after_info, sixteen), {{B, G, R, grey8}}, false},
        {"5-6-5 with red and blue swapped, in a V5 header",
         bmp_file(info_header(4, 1, 16, 3, 0, 124, {0x001F, 0x07E0, 0xF800, 0}), sixteen),
         {{R, G, B, grey8}},
         false},
        {"5-5-5 by default", bmp_file(info_header(4, 1, 16, 0), sixteen),
         {{B, {0, 255, 8, 255}, {0, 0, 247, 255}, {8, 16, 16, 255}}},
         false},
        {"1-5-5-5 alpha",
         bmp_file(info_header(2, 1, 16, 3, 0, 124, {0x7C00, 0x03E0, 0x001F, 0x8000}), {0x1F, 0x80, 0x00, 0x7C}),
         {{B, {0, 0, 255, 0}}},
         true},
        {"4-4-4-4 alpha: 4 bits widen to 8 by repeating them",
         bmp_file(info_header(2, 1, 16, 3, 0, 124, {0x0F00, 0x00F0, 0x000F, 0xF000}), {0x0F, 0xF0, 0x21, 0x8F}),
         {{B, {17, 34, 255, 136}}},
         true},
        {"32-bit alpha from the V5 mask", bmp_file(info_header(2, 1, 32, 3, 0, 124, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}), thirtytwo),
         {{{0x10, 0x20, 0x30, 0x00}, {0x40, 0x50, 0x60, 0x80}}},
         true},
        {"32-bit alpha from masks after a 40-byte header", bmp_file(alpha_masks_after_info, thirtytwo),
         {{{0x10, 0x20, 0x30, 0x00}, {0x40, 0x50, 0x60, 0x80}}},
         true},
        {"32-bit alpha mask, every alpha 0: opaque",
         bmp_file(info_header(2, 1, 32, 3, 0, 124, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}), thirtytwo_no_alpha),
         {{{0x10, 0x20, 0x30, 0xFF}, {0x40, 0x50, 0x60, 0xFF}}},
         false},
        {"32-bit plain in a V5 header: the mask is not used",
         bmp_file(info_header(2, 1, 32, 0, 0, 124, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}), thirtytwo),
         {{{0x10, 0x20, 0x30, 0xFF}, {0x40, 0x50, 0x60, 0xFF}}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = decode(c.file);
        ASSERT_TRUE(r) << to_string(r.error());
        EXPECT_EQ(r->pixels.has_alpha, c.has_alpha);
        expect_pixels(r->pixels, c.want);
    }
}

// A 2 x 2 24-bit file: two rows of 6 bytes and 2 of padding.
File small24() {
    return bmp_file(info_header(2, 2, 24, 0), {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0});
}

TEST(Bmp, MalformedAndUnsupportedHeaders) {
    struct Case {
        const char* name;
        std::function<void(File&)> change;
        Error error;
    };
    const Case cases[] = {
        {"not BM", [](File& f) { f[1] = 'A'; }, Error::BadHeader},
        {"header size 8", [](File& f) { set32(f, 14, 8); }, Error::BadHeader},
        {"header size 20", [](File& f) { set32(f, 14, 20); }, Error::Unsupported},
        {"header larger than the file", [](File& f) { set32(f, 14, 124); }, Error::Truncated},
        {"width 0", [](File& f) { set32(f, 18, 0); }, Error::BadHeader},
        {"negative width", [](File& f) { set32(f, 18, 0xFFFFFFFE); }, Error::BadHeader},
        {"height 0", [](File& f) { set32(f, 22, 0); }, Error::BadHeader},
        {"planes 0", [](File& f) { set16(f, 26, 0); }, Error::BadHeader},
        {"7 bits", [](File& f) { set16(f, 28, 7); }, Error::BadHeader},
        {"2 bits", [](File& f) { set16(f, 28, 2); }, Error::Unsupported},
        {"RLE8 with 24 bits", [](File& f) { set32(f, 30, 1); }, Error::BadHeader},
        {"bitfields with 24 bits", [](File& f) { set32(f, 30, 3); }, Error::BadHeader},
        {"JPEG inside", [](File& f) { set32(f, 30, 4); }, Error::Unsupported},
        {"unknown compression", [](File& f) { set32(f, 30, 77); }, Error::Unsupported},
        {"pixels inside the header", [](File& f) { set32(f, kOffset, 40); }, Error::BadHeader},
        {"pixels past the end", [](File& f) { set32(f, kOffset, 4000); }, Error::Truncated},
        {"rows cut short", [](File& f) { f.resize(f.size() - 3); }, Error::Truncated},
        {"60000 x 60000", [](File& f) { set32(f, 18, 60000), set32(f, 22, 60000); }, Error::TooLarge},
        {"height -2^31", [](File& f) { set32(f, 22, 0x80000000); }, Error::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        File f = small24();
        c.change(f);
        auto r = decode_bmp(f, {});
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error(), c.error) << to_string(r.error());
    }

    File gap = info_header(1, 1, 16, 3);
    add32(gap, 0x0F0F), add32(gap, 0x00F0), add32(gap, 0x0001);
    EXPECT_EQ(decode(bmp_file(gap, {0, 0, 0, 0})).error(), Error::BadHeader) << "a mask with a gap";
    File wide = info_header(1, 1, 16, 3);
    add32(wide, 0x1F0000), add32(wide, 0x00F0), add32(wide, 0x0001);
    EXPECT_EQ(decode(bmp_file(wide, {0, 0, 0, 0})).error(), Error::BadHeader) << "a mask past 16 bits";
    File rle_top_down = rle8_file({0x00, 0x01});
    set32(rle_top_down, 22, static_cast<std::uint32_t>(-3));
    EXPECT_EQ(decode(rle_top_down).error(), Error::BadHeader) << "RLE from the top";
    File huffman = info_header(1, 1, 1, 3, 0, 64);
    add_entry(huffman, kRed), add_entry(huffman, kWhite);
    EXPECT_EQ(decode(bmp_file(huffman, {0, 0, 0, 0})).error(), Error::Unsupported) << "OS/2 Huffman";
    File no_palette = info_header(1, 1, 8, 0);
    EXPECT_EQ(decode(bmp_file(no_palette, {0, 0, 0, 0})).error(), Error::BadHeader) << "8 bits and no palette";
}

TEST(Bmp, HugeHeadersAreRefusedBeforeAllocation) {
    // 16384 x 16384 is within the default limits, but the rows are not in
    // the file: refused without allocating 1 GiB.
    File f = small24();
    set32(f, 18, 16384), set32(f, 22, 16384);
    EXPECT_EQ(decode(f).error(), Error::Truncated);
    DecodeOptions tight;
    tight.limits.max_pixels = 3;
    EXPECT_EQ(decode(small24(), tight).error(), Error::TooLarge);
    tight.limits.max_pixels = 4;
    EXPECT_TRUE(decode(small24(), tight));
}

TEST(Bmp, ACutFileIsNoPicture) {
    // Except for the padding of the last row, which holds no pixel and
    // which some writers leave out.
    const File full = small24();
    for (std::size_t n = 0; n < full.size(); ++n) {
        const File prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(decode(prefix).ok(), n >= full.size() - 2) << "prefix " << n;
    }
    const File rle = rle8_file(kRle8Stream);
    const std::size_t end_of_stream = rle.size() - 2;  // after the delta past the top
    for (std::size_t n = 0; n < rle.size(); ++n) {
        const File prefix(rle.begin(), rle.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(decode(prefix).ok(), n >= end_of_stream) << "prefix " << n;
    }
}

}  // namespace
