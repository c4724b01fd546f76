#include "dib.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "byte_reader.h"
#include "checked.h"

namespace tovalin::picture::dib {
namespace {

// Compression codes as the info headers write them. OS/2 2.x headers give 3
// and 4 other meanings (Huffman 1D, RLE24); neither is decoded here.
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpeg = 4, kPng = 5, kAlphaBitfields = 6;

bool is_os2_v2(std::uint32_t size) { return size == 16 || size == 64; }
bool is_windows(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// A mask must be one run of bits inside the pixel; anything else has no
// channel value to give.
bool valid_mask(std::uint32_t mask, int bits) {
    if (mask == 0) return true;
    if (bits < 32 && (mask >> bits) != 0) return false;
    const std::uint32_t run = mask >> std::countr_zero(mask);
    return (run & (run + 1)) == 0;
}

// One channel of a 16- or 32-bit pixel. Fewer than 8 bits are widened by
// repeating them (5 bits abcde give abcdeabc), so that all ones is 255 and
// all zeros is 0; more than 8 keep their top 8.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0) return;  // a channel that is always 0
        shift_ = std::countr_zero(mask);
        int n = std::popcount(mask);
        if (n > 8) drop_ = n - 8, n = 8;
        for (std::uint32_t v = 0; v < (1u << n); ++v) {
            std::uint32_t acc = 0;
            int filled = 0;
            while (filled < 8) acc = acc << n | v, filled += n;
            scale_[v] = static_cast<std::uint8_t>(acc >> (filled - 8));
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const { return scale_[((pixel & mask_) >> shift_) >> drop_]; }

private:
    std::uint32_t mask_;
    int shift_ = 0;
    int drop_ = 0;
    std::array<std::uint8_t, 256> scale_{};
};

void put(std::uint8_t* dst, const std::array<std::uint8_t, 4>& colour) { std::memcpy(dst, colour.data(), 4); }

void indexed_row(const std::uint8_t* src, std::uint8_t* dst, int width, int bits, const Palette& palette) {
    switch (bits) {
        case 1:
            for (int x = 0; x < width; ++x) put(dst + 4 * x, palette[(src[x >> 3] >> (7 - (x & 7))) & 1]);
            return;
        case 4:
            for (int x = 0; x < width; ++x) put(dst + 4 * x, palette[(src[x >> 1] >> (x & 1 ? 0 : 4)) & 15]);
            return;
        default:
            for (int x = 0; x < width; ++x) put(dst + 4 * x, palette[src[x]]);
            return;
    }
}

struct MaskedPixels {
    Channel red, green, blue, alpha;
    bool has_alpha;
    explicit MaskedPixels(const std::array<std::uint32_t, 4>& m)
        : red(m[0]), green(m[1]), blue(m[2]), alpha(m[3]), has_alpha(m[3] != 0) {}
    void to(std::uint8_t* dst, std::uint32_t v) const {
        dst[0] = blue(v), dst[1] = green(v), dst[2] = red(v), dst[3] = has_alpha ? alpha(v) : 255;
    }
};

}  // namespace

Result<Header> read_header(Bytes dib) {
    ByteReader r(dib);
    Header h;
    h.size = r.u32le();
    if (!r.ok()) return Error::Truncated;
    if (h.size < 12) return Error::BadHeader;
    if (h.size != 12 && !is_os2_v2(h.size) && !is_windows(h.size)) return Error::Unsupported;
    if (!checked::fits(0, h.size, dib.size())) return Error::Truncated;

    std::int64_t width = 0, height = 0;
    std::uint32_t compression = kRgb;
    int planes = 0;
    if (h.size == 12) {
        // OS/2 1.x: unsigned 16-bit sides, always bottom-up, 3-byte palette entries.
        width = r.u16le();
        height = r.u16le();
        planes = r.u16le();
        h.bits = r.u16le();
        h.palette_entry = 3;
    } else {
        width = r.i32le();
        height = r.i32le();
        planes = r.u16le();
        h.bits = r.u16le();
        if (h.size > 16) {
            compression = r.u32le();
            r.skip(12);  // image size (often 0 or wrong; the rows say it), resolution
            h.colours_used = r.u32le();
        }
    }
    if (width <= 0 || height == 0 || planes != 1) return Error::BadHeader;
    h.top_down = height < 0;
    height = height < 0 ? -height : height;
    if (height > 0x7fffffff) return Error::TooLarge;
    h.width = static_cast<int>(width);
    h.height = static_cast<int>(height);

    if (h.size == 64) {
        r.seek(44);
        const std::uint16_t recording = r.u16le();  // 0: rows from the bottom
        r.seek(56);
        const std::uint32_t encoding = r.u32le();  // 0: RGB
        if (recording != 0 || encoding != 0) return Error::Unsupported;
    }

    switch (compression) {
        case kRgb: h.compression = Compression::Rgb; break;
        case kRle8: h.compression = Compression::Rle8; break;
        case kRle4: h.compression = Compression::Rle4; break;
        case kBitfields:
        case kAlphaBitfields:
            if (is_os2_v2(h.size)) return Error::Unsupported;  // Huffman 1D, RLE24
            h.compression = Compression::Bitfields;
            break;
        case kJpeg:
        case kPng:
        default: return Error::Unsupported;
    }

    const bool core = h.size == 12;
    switch (h.bits) {
        case 1:
        case 4:
        case 8:
        case 24: break;
        case 16:
        case 32:
            if (core) return Error::BadHeader;
            break;
        case 2:
        case 64: return Error::Unsupported;
        default: return Error::BadHeader;
    }
    if ((h.compression == Compression::Rle8 && h.bits != 8) || (h.compression == Compression::Rle4 && h.bits != 4) ||
        (h.compression == Compression::Bitfields && h.bits != 16 && h.bits != 32))
        return Error::BadHeader;
    // Compressed rows can only be stored from the bottom.
    if (h.top_down && (h.compression == Compression::Rle8 || h.compression == Compression::Rle4))
        return Error::BadHeader;

    h.end = h.size;
    if (h.compression == Compression::Bitfields) {
        // A 40-byte header is followed by its masks; the larger ones hold
        // them, and their alpha mask from 56 bytes on.
        std::size_t count = h.size == 52 ? 3 : 4;
        if (h.size == 40) {
            count = compression == kAlphaBitfields ? 4 : 3;
            h.end += 4 * count;
        }
        r.seek(40);
        for (std::size_t i = 0; i < count; ++i) h.masks[i] = r.u32le();
        if (!r.ok()) return Error::Truncated;
        for (std::uint32_t m : h.masks)
            if (!valid_mask(m, h.bits)) return Error::BadHeader;
        if ((h.masks[0] | h.masks[1] | h.masks[2]) == 0) return Error::BadHeader;
    } else if (h.bits == 16) {
        h.masks = {0x7C00, 0x03E0, 0x001F, 0};
    } else if (h.bits == 32) {
        // The fourth byte of a plain 32-bit pixel is not alpha, whatever it
        // holds: only a mask makes it so.
        h.masks = {0xFF0000, 0xFF00, 0xFF, 0};
    }
    if (!r.ok()) return Error::Truncated;
    return h;
}

std::size_t palette_colours(const Header& header) {
    if (header.bits > 8) return 0;
    const std::size_t indexable = std::size_t{1} << header.bits;
    return header.colours_used ? std::min<std::size_t>(header.colours_used, indexable) : indexable;
}

// Sides are below 2^31 and bits at most 32: these cannot overflow 64 bits.
std::uint64_t stride(const Header& header) {
    const std::uint64_t bits = static_cast<std::uint64_t>(header.width) * static_cast<std::uint64_t>(header.bits);
    return (bits + 31) / 32 * 4;
}

std::uint64_t row_bytes(const Header& header) {
    const std::uint64_t bits = static_cast<std::uint64_t>(header.width) * static_cast<std::uint64_t>(header.bits);
    return (bits + 7) / 8;
}

std::optional<std::uint64_t> rows_size(const Header& header) {
    std::uint64_t r;
    if (__builtin_mul_overflow(stride(header), static_cast<std::uint64_t>(header.height), &r)) return std::nullopt;
    return r;
}

std::optional<std::uint64_t> rows_needed(const Header& header) {
    std::uint64_t r;
    if (__builtin_mul_overflow(stride(header), static_cast<std::uint64_t>(header.height - 1), &r) ||
        __builtin_add_overflow(r, row_bytes(header), &r))
        return std::nullopt;
    return r;
}

Palette read_palette(Bytes entries, std::size_t count, std::size_t entry_size) {
    Palette p;
    p.fill({0, 0, 0, 255});
    for (std::size_t i = 0; i < count && i < p.size(); ++i) {
        const std::uint8_t* e = entries.data() + i * entry_size;
        p[i] = {e[0], e[1], e[2], 255};  // the fourth byte of an entry is reserved
    }
    return p;
}

std::optional<Error> read_rows(const Header& h, const Palette& palette, Bytes pixels, Bitmap& out) {
    // Once the rows fit the input, every offset below fits a size_t.
    const auto needed = rows_needed(h);
    if (!needed || *needed > pixels.size()) return Error::Truncated;
    const std::size_t step = static_cast<std::size_t>(stride(h));

    const MaskedPixels masked(h.masks);
    const bool plain32 = h.bits == 32 && h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF &&
                         (h.masks[3] == 0 || h.masks[3] == 0xFF000000);
    for (int i = 0; i < h.height; ++i) {
        const std::uint8_t* src = pixels.data() + static_cast<std::size_t>(i) * step;
        std::uint8_t* dst = out.row(h.top_down ? i : h.height - 1 - i);
        const int w = h.width;
        switch (h.bits) {
            case 1:
            case 4:
            case 8: indexed_row(src, dst, w, h.bits, palette); break;
            case 16:
                for (int x = 0; x < w; ++x) masked.to(dst + 4 * x, src[2 * x] | src[2 * x + 1] << 8);
                break;
            case 24:
                for (int x = 0; x < w; ++x, src += 3, dst += 4) dst[0] = src[0], dst[1] = src[1], dst[2] = src[2], dst[3] = 255;
                break;
            case 32:
                if (plain32) {
                    std::memcpy(dst, src, static_cast<std::size_t>(w) * 4);
                    if (!masked.has_alpha)
                        for (int x = 0; x < w; ++x) dst[4 * x + 3] = 255;
                } else {
                    for (int x = 0; x < w; ++x, src += 4)
                        masked.to(dst + 4 * x, static_cast<std::uint32_t>(src[0]) | static_cast<std::uint32_t>(src[1]) << 8 |
                                                   static_cast<std::uint32_t>(src[2]) << 16 |
                                                   static_cast<std::uint32_t>(src[3]) << 24);
                }
                break;
        }
    }
    return std::nullopt;
}

std::optional<Error> read_rle(const Header& h, const Palette& palette, Bytes stream, Bitmap& out) {
    ByteReader r(stream);
    const bool four = h.compression == Compression::Rle4;
    const int w = h.width, rows = h.height;
    // The cursor: x from the left, y in rows from the bottom. x stops at the
    // right edge, so that a long run costs no more than the row it fills.
    int x = 0, y = 0;
    auto draw = [&](std::uint8_t index) {
        if (x >= w) return;
        put(out.row(rows - 1 - y) + 4 * x, palette[index]);
        ++x;
    };
    for (;;) {
        const std::uint8_t count = r.u8();
        const std::uint8_t value = r.u8();
        if (!r.ok()) return Error::Truncated;
        if (count > 0) {
            // A run: one index, or in RLE4 two alternating ones.
            const int n = std::min<int>(count, w - x);
            for (int i = 0; i < n; ++i) draw(four ? (i & 1 ? value & 15 : value >> 4) : value);
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                if (++y >= rows) return std::nullopt;
                break;
            case 1:  // end of bitmap
                return std::nullopt;
            case 2: {  // delta: right and up
                const int dx = r.u8(), dy = r.u8();
                if (!r.ok()) return Error::Truncated;
                x = std::min(w, x + dx);
                y += dy;
                if (y >= rows) return std::nullopt;
                break;
            }
            default: {  // absolute: `value` indices, padded to 16 bits
                const std::size_t bytes = four ? (value + 1u) / 2 : value;
                const Bytes literal = r.take(bytes + (bytes & 1));
                if (!r.ok()) return Error::Truncated;
                for (int i = 0; i < value && x < w; ++i)
                    draw(four ? (i & 1 ? literal[i / 2] & 15 : literal[i / 2] >> 4) : literal[i]);
                break;
            }
        }
    }
}

bool has_transparency(const Bitmap& b) {
    for (std::size_t i = 3; i < b.bgra.size(); i += 4)
        if (b.bgra[i] != 255) return true;
    return false;
}

bool all_transparent(const Bitmap& b) {
    for (std::size_t i = 3; i < b.bgra.size(); i += 4)
        if (b.bgra[i] != 0) return false;
    return true;
}

void make_opaque(Bitmap& b) {
    for (std::size_t i = 3; i < b.bgra.size(); i += 4) b.bgra[i] = 255;
}

}  // namespace tovalin::picture::dib
