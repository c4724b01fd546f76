// PCX, the kinds that the signatures let through: 8 bits per pixel in one
// plane (the 256-colour palette after a 0x0C marker at the end of the file,
// grey without it), in three planes (red, green, blue) or four (and alpha,
// as some writers add), and 1 bit per pixel in one plane (black and white)
// or four (16 colours from the header's palette).
//
// Each scan line is every plane's bytes-per-line in turn, run-length coded.
// Some encoders let a run carry on past the end of a line; the data is read
// as one stream cut into scan lines, so such a run goes on at the start of
// the next line, as it did in the encoder, and one past the last line is cut
// there. Only one scan line is ever held, and nothing is written past it.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "bitmap_alloc.h"
#include "byte_reader.h"
#include "decoders.h"

namespace tovalin::picture {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 1 + 256 * 3;  // the 0x0C marker, then RGB triples

enum class Kind { Indexed, Rgb, Rgba, Mono, Ega };

struct Header {
    Kind kind;
    int width, height;
    std::size_t bytes_per_line;  // of one plane
    int planes;
    const std::uint8_t* ega;     // the 16 RGB triples in the header
};

// The 16 colours of the EGA, for files whose header leaves its palette
// empty: an all-black palette is what the oldest writers, which relied on the
// display's own colours, put there.
constexpr std::uint8_t kEgaColours[48] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0x00, 0xAA, 0xAA, 0xAA, 0x00, 0x00, 0xAA,
    0x00, 0xAA, 0xAA, 0x55, 0x00, 0xAA, 0xAA, 0xAA, 0x55, 0x55, 0x55, 0x55, 0x55, 0xFF, 0x55, 0xFF,
    0x55, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0x55, 0xFF, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0xFF, 0xFF, 0xFF,
};

Result<Header> read_header(Bytes data) {
    ByteReader in(data);
    const std::uint8_t maker = in.u8();
    in.u8();  // version: the layout below says all that matters
    const std::uint8_t encoding = in.u8();
    const std::uint8_t bits = in.u8();
    const int xmin = in.u16le(), ymin = in.u16le(), xmax = in.u16le(), ymax = in.u16le();
    in.skip(4);  // resolution
    const auto ega = in.take(48);
    in.u8();
    const int planes = in.u8();
    const std::size_t bytes_per_line = in.u16le();
    if (!in.ok() || data.size() < kHeaderSize) return Error::Truncated;
    if (maker != 0x0A || encoding != 1) return Error::BadHeader;
    // The window is inclusive at both ends.
    if (xmax < xmin || ymax < ymin) return Error::BadHeader;

    Header h{};
    h.width = xmax - xmin + 1;
    h.height = ymax - ymin + 1;
    h.planes = planes;
    h.bytes_per_line = bytes_per_line;
    h.ega = ega.data();
    if (bits == 8 && planes == 1) h.kind = Kind::Indexed;
    else if (bits == 8 && planes == 3) h.kind = Kind::Rgb;
    else if (bits == 8 && planes == 4) h.kind = Kind::Rgba;
    else if (bits == 1 && planes == 1) h.kind = Kind::Mono;
    else if (bits == 1 && planes == 4) h.kind = Kind::Ega;
    else return Error::Unsupported;
    const std::size_t needed = bits == 8 ? static_cast<std::size_t>(h.width) : (static_cast<std::size_t>(h.width) + 7) / 8;
    if (bytes_per_line < needed) return Error::BadHeader;
    return h;
}

// The run-length stream: a byte with its two top bits set repeats the next
// byte (its low six bits) times; any other byte stands for itself.
class Runs {
public:
    Runs(Bytes data, std::size_t end) : data_(data), pos_(kHeaderSize), end_(end) {}

    // Fills exactly n bytes; false when the data ends first.
    bool fill(std::uint8_t* out, std::size_t n) {
        std::size_t i = 0;
        while (i < n) {
            if (run_ > 0) {
                const std::size_t k = std::min(run_, n - i);
                std::memset(out + i, value_, k);
                i += k, run_ -= k;
                continue;
            }
            if (pos_ >= end_) return false;
            const std::uint8_t b = data_[pos_++];
            if ((b & 0xC0) != 0xC0) {
                out[i++] = b;
                continue;
            }
            if (pos_ >= end_) return false;
            run_ = b & 0x3F;
            value_ = data_[pos_++];
        }
        return true;
    }

private:
    Bytes data_;
    std::size_t pos_;
    std::size_t end_;
    std::size_t run_ = 0;  // left of the current run, possibly from the line before
    std::uint8_t value_ = 0;
};

using Palette = std::array<std::uint8_t, 256 * 4>;  // BGRA

Palette palette_of(const std::uint8_t* rgb, int entries) {
    Palette p{};
    for (int i = 0; i < entries; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        p[at * 4] = rgb[at * 3 + 2];
        p[at * 4 + 1] = rgb[at * 3 + 1];
        p[at * 4 + 2] = rgb[at * 3];
        p[at * 4 + 3] = 255;
    }
    return p;
}

Palette grey_palette() {
    Palette p{};
    for (std::size_t i = 0; i < 256; ++i) p[i * 4] = p[i * 4 + 1] = p[i * 4 + 2] = static_cast<std::uint8_t>(i), p[i * 4 + 3] = 255;
    return p;
}

// One scan line into one row of BGRA.
void convert_line(const Header& h, const Palette& palette, const std::uint8_t* line, std::uint8_t* out) {
    const std::size_t bpl = h.bytes_per_line;
    const int w = h.width;
    switch (h.kind) {
        case Kind::Indexed:
            for (int x = 0; x < w; ++x, out += 4) std::memcpy(out, &palette[std::size_t{line[x]} * 4], 4);
            return;
        case Kind::Rgb:
        case Kind::Rgba: {
            const std::uint8_t *r = line, *g = line + bpl, *b = line + 2 * bpl;
            const std::uint8_t* a = h.kind == Kind::Rgba ? line + 3 * bpl : nullptr;
            for (int x = 0; x < w; ++x, out += 4) out[0] = b[x], out[1] = g[x], out[2] = r[x], out[3] = a ? a[x] : 255;
            return;
        }
        case Kind::Mono:
        case Kind::Ega:
            for (int x = 0; x < w; ++x, out += 4) {
                const std::size_t byte = static_cast<std::size_t>(x) >> 3;
                const int shift = 7 - (x & 7);
                std::size_t index = 0;
                for (int p = 0; p < h.planes; ++p) index |= std::size_t((line[static_cast<std::size_t>(p) * bpl + byte] >> shift) & 1) << p;
                std::memcpy(out, &palette[index * 4], 4);
            }
            return;
    }
}

// Decodes every scan line of the data before `end` into the bitmap.
std::optional<Error> decode_lines(Bytes data, std::size_t end, const Header& h, const Palette& palette,
                                  std::vector<std::uint8_t>& line, Bitmap& out) {
    Runs runs(data, end);
    for (int y = 0; y < h.height; ++y) {
        if (!runs.fill(line.data(), line.size())) return Error::Truncated;
        convert_line(h, palette, line.data(), out.row(y));
    }
    return std::nullopt;
}

}  // namespace

Result<Image> decode_pcx(Bytes data, const DecodeOptions& options) {
    auto header = read_header(data);
    if (!header) return header.error();
    const Header& h = *header;

    auto bitmap = allocate_bitmap(h.width, h.height, options.limits);
    if (!bitmap) return bitmap.error();
    std::vector<std::uint8_t> line;
    try {
        line.resize(h.bytes_per_line * static_cast<std::size_t>(h.planes));  // at most 4 x 65535
    } catch (const std::bad_alloc&) {
        return Error::OutOfMemory;
    }

    Palette palette{};
    switch (h.kind) {
        case Kind::Mono: {
            const std::uint8_t black_white[6] = {0, 0, 0, 255, 255, 255};
            palette = palette_of(black_white, 2);
            break;
        }
        case Kind::Ega: {
            const bool empty = std::all_of(h.ega, h.ega + 48, [](std::uint8_t v) { return v == 0; });
            palette = palette_of(empty ? kEgaColours : h.ega, 16);
            break;
        }
        default: break;
    }

    std::optional<Error> failed;
    if (h.kind == Kind::Indexed) {
        // The palette is the file's last 769 bytes when they start with the
        // marker, and the image data then ends before them. A marker byte
        // that turns out to be needed as image data was not one.
        const std::size_t size = data.size();
        const bool marked = size >= kHeaderSize + kPaletteSize && data[size - kPaletteSize] == 0x0C;
        if (marked) {
            palette = palette_of(data.data() + size - kPaletteSize + 1, 256);
            failed = decode_lines(data, size - kPaletteSize, h, palette, line, *bitmap);
        }
        if (!marked || failed) failed = decode_lines(data, size, h, grey_palette(), line, *bitmap);
    } else {
        failed = decode_lines(data, data.size(), h, palette, line, *bitmap);
    }
    if (failed) return *failed;

    if (h.kind == Kind::Rgba) {
        for (std::size_t i = 3; i < bitmap->bgra.size() && !bitmap->has_alpha; i += 4) bitmap->has_alpha = bitmap->bgra[i] != 255;
    }
    Image image;
    image.natural = {h.width, h.height};
    image.pixels = std::move(*bitmap);
    return image;
}

}  // namespace tovalin::picture
