#include <gtest/gtest.h>

#include "picture/draw.h"
#include "picture/picture.h"
#include "support/magick.h"

using namespace tovalin::picture;
using namespace tovalin::test;

namespace {

// Colour under full transparency is nobody's business: compare what is
// drawn, over the slot colour.
Bitmap drawn(Bitmap b) {
    flatten(b, {128, 160, 128});
    return b;
}

// An animation on a 40 x 30 screen: a first image that covers it, then one
// image for each disposal, each with its own delay (1 and 0 hundredths play
// as 10). (ImageMagick fills what a first image leaves uncovered with the
// file's background colour; we leave it transparent, as browsers do, so
// that is tested on hand-made files below.)
const std::string kDisposals =
    "-delay 7 -dispose None -size 40x30 gradient:yellow-navy "
    "-delay 1 -dispose Background -page +5+5 -size 10x10 xc:red "
    "-delay 0 -dispose Previous -page +20+10 -size 12x8 xc:blue "
    "-delay 25 -dispose None -page +2+14 -size 9x9 xc:green "
    "-delay 7 -dispose None -page +30+1 -size 6x6 xc:white -loop 3";

// The first image descriptor that carries a local colour table, if any.
bool has_local_table(const std::vector<std::uint8_t>& gif) {
    for (std::size_t i = 13; i + 9 < gif.size(); ++i)
        if (gif[i] == 0x2C && gif[i - 1] == 0 && (gif[i + 9] & 0x80)) return true;
    return false;
}

TEST(Gif, MatchesImageMagickFrameByFrame) {
    struct Case {
        const char* name;
        std::string args;
        std::vector<int> delays_ms;  // empty: a still picture
        int loop_count;
    };
    const Case cases[] = {
        {"still", "rose: -colors 64", {}, 1},
        {"transparent", "rose: -alpha set -channel A -fx 'i<20||j<5?0:1' +channel -colors 32", {}, 1},
        {"interlaced", "rose: -colors 64 -interlace GIF", {}, 1},
        {"87a", "rose: -colors 4 gif87:", {}, 1},
        // ImageMagick's -loop 3 writes 2 repeats: three plays in all.
        {"each disposal", kDisposals, {70, 100, 100, 250, 70}, 3},
        {"local colour tables, looping forever",
         "-delay 3 rose: -colors 64 \\( rose: -negate -colors 16 -repage +7+3 \\) -loop 0", {30, 30}, 0},
        {"transparent frames over each other, interlaced",
         "-delay 4 -dispose None -size 24x16 xc:orange "
         "\\( rose: -resize 24x16! -alpha set -channel A -fx 'i<j?0:1' +channel \\) "
         "\\( -size 24x16 pattern:checkerboard -transparent black \\) -interlace GIF",
         {40, 40, 40}, 0},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir / ("f" + std::to_string(n++) + ".gif");
        std::string args = c.args, prefix;
        if (auto colon = args.rfind("gif87:"); colon != std::string::npos) args.erase(colon), prefix = "gif87:";
        run("convert " + args + " " + prefix + quoted(path.string()));
        const auto bytes = read_file(path);
        if (std::string(c.name).find("local") != std::string::npos) {
            ASSERT_TRUE(has_local_table(bytes));
        }

        auto ours = decode(bytes);
        ASSERT_TRUE(ours) << to_string(ours.error());
        EXPECT_EQ(ours->format, Format::Gif);
        const auto theirs = magick_decode_frames(path);
        ASSERT_FALSE(theirs.empty());
        EXPECT_EQ(ours->natural, (Size{theirs[0].width, theirs[0].height}));
        EXPECT_EQ(max_difference(drawn(ours->pixels), drawn(theirs[0])), 0);
        EXPECT_EQ(ours->pixels.has_alpha, theirs[0].has_alpha);
        EXPECT_EQ(ours->loop_count, c.loop_count);

        ASSERT_EQ(ours->frames.size(), c.delays_ms.size());
        if (c.delays_ms.empty()) continue;
        ASSERT_EQ(ours->frames.size(), theirs.size());
        EXPECT_EQ(ours->frames[0].image.bgra, ours->pixels.bgra);
        for (std::size_t i = 0; i < theirs.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            EXPECT_EQ(max_difference(drawn(ours->frames[i].image), drawn(theirs[i])), 0);
            EXPECT_EQ(ours->frames[i].image.has_alpha, theirs[i].has_alpha);
            EXPECT_EQ(ours->frames[i].delay_ms, c.delays_ms[i]);
        }
    }
}

TEST(Gif, ACutFileKeepsTheFramesThatDecodedCompletely) {
    TempDir dir;
    const auto path = dir / "a.gif";
    run("convert " + kDisposals + " " + quoted(path.string()));
    const auto bytes = read_file(path);
    const auto theirs = magick_decode_frames(path);
    ASSERT_EQ(theirs.size(), 5u);

    std::size_t kept_before = 0;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        auto r = decode(prefix);
        if (!r) {
            // No picture only while the first image is incomplete.
            ASSERT_EQ(kept_before, 0u) << "prefix " << n;
            continue;
        }
        const std::size_t kept = std::max<std::size_t>(1, r->frames.size());
        ASSERT_GE(kept, kept_before) << "prefix " << n;
        kept_before = kept;
        EXPECT_EQ(max_difference(drawn(r->pixels), drawn(theirs[0])), 0) << "prefix " << n;
        for (std::size_t i = 0; i < r->frames.size(); ++i)
            ASSERT_EQ(max_difference(drawn(r->frames[i].image), drawn(theirs[i])), 0) << "prefix " << n << " frame " << i;
    }
    EXPECT_EQ(kept_before, 5u);
}

TEST(Gif, FramesStayWithinTheByteBudget) {
    TempDir dir;
    const auto path = dir / "a.gif";
    run("convert " + kDisposals + " " + quoted(path.string()));
    const auto bytes = read_file(path);
    const std::uint64_t screen = 40 * 30 * 4;
    const auto whole = decode(bytes);
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->frames.size(), 5u);

    struct Case {
        const char* name;
        std::uint64_t max_total_bytes;
        std::size_t frames;
    };
    const Case cases[] = {
        {"the picture and two frames: the third and later are dropped", 3 * screen + screen / 2, 2},
        // No animation of one frame: the still picture stays.
        {"the picture and the first frame (the same image twice)", 2 * screen, 0},
        {"the picture only", screen, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeOptions options;
        options.limits.max_total_bytes = c.max_total_bytes;
        auto r = decode(bytes, options);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->pixels.bgra, whole->pixels.bgra);
        ASSERT_EQ(r->frames.size(), c.frames);
        for (std::size_t i = 0; i < c.frames; ++i) EXPECT_EQ(r->frames[i].image.bgra, whole->frames[i].image.bgra);
    }
    DecodeOptions options;
    // Not even the screen.
    options.limits.max_total_bytes = screen - 1;
    EXPECT_EQ(decode(bytes, options).error(), Error::TooLarge);
    options = {};
    options.limits.max_pixels = 40 * 30 - 1;
    EXPECT_EQ(decode(bytes, options).error(), Error::TooLarge);
}

// ---- Hand-made files, for what no encoder writes.

using Codes = std::vector<int>;

// LZW codes packed least significant bit first, in the width an encoder
// uses: min_code_size + 1 bits after a clear, one more each time the next
// table entry reaches a power of two, 12 at most. Every code after the
// first following a clear defines an entry while the table has room.
std::vector<std::uint8_t> pack(int min_code_size, const Codes& codes) {
    const int clear = 1 << min_code_size;
    std::vector<std::uint8_t> out;
    std::uint32_t bits = 0;
    int nbits = 0, width = min_code_size + 1, next = clear + 2;
    bool first = true;
    for (int code : codes) {
        bits |= static_cast<std::uint32_t>(code) << nbits;
        nbits += width;
        for (; nbits >= 8; nbits -= 8, bits >>= 8) out.push_back(static_cast<std::uint8_t>(bits));
        if (code == clear) {
            width = min_code_size + 1, next = clear + 2, first = true;
        } else if (first) {
            first = false;
        } else if (next < 4096 && ++next == 1 << width && width < 12) {
            ++width;
        }
    }
    if (nbits > 0) out.push_back(static_cast<std::uint8_t>(bits));
    return out;
}

// An image descriptor with no local colour table, then its data in
// sub-blocks of at most 255 bytes and the terminator.
std::vector<std::uint8_t> image(int left, int top, int width, int height, int min_code_size, const Codes& codes,
                                std::uint8_t flags = 0) {
    std::vector<std::uint8_t> out = {0x2C,
                                     std::uint8_t(left), std::uint8_t(left >> 8), std::uint8_t(top), std::uint8_t(top >> 8),
                                     std::uint8_t(width), std::uint8_t(width >> 8), std::uint8_t(height), std::uint8_t(height >> 8),
                                     flags, std::uint8_t(min_code_size)};
    const auto data = pack(min_code_size, codes);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
    return out;
}

// GIF89a, a screen of w x h, a global table of four colours: 0 black,
// 1 red, 2 green, 3 blue.
std::vector<std::uint8_t> head(int w, int h) {
    return {'G', 'I', 'F', '8', '9', 'a', std::uint8_t(w), std::uint8_t(w >> 8), std::uint8_t(h), std::uint8_t(h >> 8),
            0x81, 0, 0,  // global table of 2 << 1 entries, background 0, no aspect ratio
            0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
}

const std::vector<std::uint8_t> kTrailer = {0x3B};

std::vector<std::uint8_t> gif(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A bitmap as letters, one row a line: K R G B for the four colours, '.'
// for transparent, '?' for anything else.
std::string letters(const Bitmap& b) {
    std::string s;
    for (int y = 0; y < b.height; ++y) {
        for (int x = 0; x < b.width; ++x) {
            const std::uint8_t* p = b.row(y) + x * 4;
            const char c = p[3] == 0 ? '.'
                           : p[3] != 255 ? '?'
                           : p[0] == 0 && p[1] == 0 && p[2] == 0 ? 'K'
                           : p[0] == 0 && p[1] == 0 && p[2] == 255 ? 'R'
                           : p[0] == 0 && p[1] == 255 && p[2] == 0 ? 'G'
                           : p[0] == 255 && p[1] == 0 && p[2] == 0 ? 'B' : '?';
            s += c;
        }
        s += '\n';
    }
    return s;
}

// Codes for min_code_size 2: clear is 4, end 5, the first entry 6.
constexpr int kClear = 4, kEnd = 5;

TEST(Gif, HandMadeFiles) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        std::string pixels;  // empty: no picture
        std::size_t frames = 0;
    };
    const Case cases[] = {
        {"KwKwK: a code defined by its own use",
         // 1, then 6 = "1 1" before the table has it, then 7 = "1 1 1" likewise.
         gif({head(3, 2), image(0, 0, 3, 2, 2, {kClear, 1, 6, 7, kEnd}), kTrailer}), "RRR\nRRR\n"},
        {"a code past the table in the first image is no picture",
         // After the clear and one literal the next entry is 6; 7 is not defined.
         gif({head(2, 2), image(0, 0, 2, 2, 2, {kClear, 1, 7, 1, kEnd}), kTrailer}), ""},
        {"a code past the table in a later image ends the animation before it",
         gif({head(2, 1), image(0, 0, 2, 1, 2, {kClear, 2, 3, kEnd}), image(0, 0, 2, 1, 2, {kClear, 1, 7, kEnd}),
              kTrailer}),
         "GB\n"},
        {"a code of the table's own size right after a clear",
         gif({head(2, 1), image(0, 0, 2, 1, 2, {kClear, 6, kEnd}), kTrailer}), ""},
        {"minimum code size 1", gif({head(2, 1), image(0, 0, 2, 1, 1, {2, 1, 1, 3}), kTrailer}), ""},
        {"minimum code size 9", gif({head(2, 1), image(0, 0, 2, 1, 9, {512, 1, 1, 513}), kTrailer}), ""},
        {"minimum code size 8, indices past the four-colour table are black",
         gif({head(3, 1), image(0, 0, 3, 1, 8, {256, 3, 200, 255, 257}), kTrailer}), "BKK\n"},
        {"an end code before the image is full",
         gif({head(2, 2), image(0, 0, 2, 2, 2, {kClear, 1, 1, kEnd}), kTrailer}), ""},
        {"data that runs out before the image is full",
         // (The zero bits that pad the last byte read as two more literals.)
         gif({head(4, 4), image(0, 0, 4, 4, 2, {kClear, 1, 1}), kTrailer}), ""},
        {"extra codes after the image is full are ignored",
         gif({head(2, 1), image(0, 0, 2, 1, 2, {kClear, 1, 2, 3, 3, 3, kEnd}), kTrailer}), "RG\n"},
        {"no end code, no trailer", gif({head(2, 1), image(0, 0, 2, 1, 2, {kClear, 1, 2})}), "RG\n"},
        {"an image partly off the screen is clipped",
         gif({head(3, 3), image(1, 1, 4, 4, 2, {kClear, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, kEnd}), kTrailer}),
         "...\n.RG\n.GB\n"},
        {"an image wholly off the screen draws nothing and its data is skipped",
         gif({head(2, 2), image(0, 0, 2, 2, 2, {kClear, 3, 3, 3, 3, kEnd}),
              image(5, 0, 2, 2, 2, {kClear, 1, 7, 7}),  // bad codes, never read
              kTrailer}),
         "BB\nBB\n", 2},
        {"an image of no rows draws nothing", gif({head(1, 1), image(0, 0, 1, 1, 2, {kClear, 2, kEnd}),
                                                   image(0, 0, 0, 0, 2, {kClear, kEnd}), kTrailer}),
         "G\n", 2},
        {"an interlaced image of five rows",
         // Rows in the order 0 (pass 1), 4 (pass 2), 2 (pass 3), 1 and 3 (pass 4).
         gif({head(1, 5), image(0, 0, 1, 5, 2, {kClear, 1, 2, 3, 0, 1, kEnd}, 0x40), kTrailer}), "R\nK\nB\nR\nG\n"},
        {"no colour table at all",
         gif({{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x00, 0, 0}, image(0, 0, 1, 1, 2, {kClear, 1, kEnd}), kTrailer}),
         ""},
        {"a screen of no pixels", gif({head(0, 4), image(0, 0, 1, 1, 2, {kClear, 1, kEnd}), kTrailer}), ""},
        {"garbage after the first image ends the file there",
         gif({head(1, 1), image(0, 0, 1, 1, 2, {kClear, 3, kEnd}), {0x99, 0x2C, 0x00}}), "B\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = decode(c.file);
        if (c.pixels.empty()) {
            EXPECT_FALSE(r);
            continue;
        }
        ASSERT_TRUE(r) << to_string(r.error());
        EXPECT_EQ(letters(r->pixels), c.pixels);
        EXPECT_EQ(r->frames.size(), c.frames);
    }
}

TEST(Gif, AFullTableWaitsForAClear) {
    // 4091 literals cycling 0 1 2 3 fill the table (entries 6 to 4095, each
    // the literal before plus this one) and widen the codes to 12 bits. Then,
    // still at 12 bits and with no new entries: 4095 ("1 2", the last entry
    // made), 6 ("0 1", the first); the clear, and at 3 bits again one literal.
    Codes codes = {kClear};
    std::string expected;
    for (int k = 0; k < 4091; ++k) codes.push_back(k % 4), expected += "KRGB"[k % 4];
    codes.insert(codes.end(), {4095, 6, kClear, 3, kEnd});
    expected += "RGKRB";
    ASSERT_EQ(expected.size(), 64u * 64u);
    std::string rows;
    for (std::size_t y = 0; y < 64; ++y) rows += expected.substr(y * 64, 64) + "\n";

    auto r = decode(gif({head(64, 64), image(0, 0, 64, 64, 2, codes), kTrailer}));
    ASSERT_TRUE(r) << to_string(r.error());
    EXPECT_EQ(letters(r->pixels), rows);

    // Without the clear, codes go on at 12 bits, reading the full table.
    codes.erase(codes.end() - 5, codes.end());
    codes.insert(codes.end(), {4095, 6, 4095, 6, 4095});
    EXPECT_TRUE(decode(gif({head(64, 64), image(0, 0, 64, 64, 2, codes), kTrailer})));
}

TEST(Gif, ControlExtensionsAndDisposalOnAHandMadeAnimation) {
    // Graphic Control Extension: flags (disposal << 2 | transparent flag),
    // delay in hundredths, transparent index.
    auto control = [](int disposal, int delay, int transparent) -> std::vector<std::uint8_t> {
        return {0x21, 0xF9, 4, std::uint8_t(disposal << 2 | (transparent >= 0)), std::uint8_t(delay), std::uint8_t(delay >> 8),
                std::uint8_t(transparent >= 0 ? transparent : 0), 0};
    };
    const std::vector<std::uint8_t> loop = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                                            3, 1, 2, 0, 0};  // two repeats after the first play
    const std::vector<std::uint8_t> comment = {0x21, 0xFE, 3, 'h', 'i', '!', 0};
    const auto file = gif({head(3, 1), loop, comment,
                           control(3, 5, 0), image(0, 0, 2, 1, 2, {kClear, 1, 0, kEnd}),  // R. then restored
                           control(1, 0, 2), image(1, 0, 2, 1, 2, {kClear, 2, 3, kEnd}),  // .B kept
                           control(2, 2, -1), image(2, 0, 1, 1, 2, {kClear, 1, kEnd}),    // R cleared
                           image(0, 0, 1, 1, 2, {kClear, 3, kEnd}), kTrailer});
    auto r = decode(file);
    ASSERT_TRUE(r) << to_string(r.error());
    EXPECT_EQ(r->loop_count, 3);
    EXPECT_EQ(letters(r->pixels), "R..\n");
    EXPECT_TRUE(r->pixels.has_alpha);
    ASSERT_EQ(r->frames.size(), 4u);
    EXPECT_EQ(letters(r->frames[0].image), "R..\n");
    EXPECT_EQ(letters(r->frames[1].image), "..B\n");  // the first restored, then index 2 transparent
    EXPECT_EQ(letters(r->frames[2].image), "..R\n");
    EXPECT_EQ(letters(r->frames[3].image), "B..\n");  // the third cleared
    EXPECT_EQ(r->frames[0].delay_ms, 50);
    EXPECT_EQ(r->frames[1].delay_ms, 100);
    EXPECT_EQ(r->frames[2].delay_ms, 20);
    EXPECT_EQ(r->frames[3].delay_ms, 100);
}

}  // namespace
