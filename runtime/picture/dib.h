// The device-independent bitmap: an info header, a palette and rows of
// pixels. A BMP file is one behind a 14-byte file header; an icon entry is
// one on its own, with a transparency mask after its rows. Both decoders
// read it through these functions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "picture.h"

namespace tovalin::picture::dib {

enum class Compression { Rgb, Rle8, Rle4, Bitfields };

struct Header {
    std::uint32_t size = 0;  // of the info header, which says which kind it is
    int width = 0;
    int height = 0;          // rows, always positive; see top_down
    bool top_down = false;   // rows stored top first (a negative height in the file)
    int bits = 0;            // per pixel: 1, 4, 8, 16, 24 or 32
    Compression compression = Compression::Rgb;
    // Red, green, blue and alpha masks of 16- and 32-bit pixels. An alpha
    // mask of 0 means the pixels carry no alpha.
    std::array<std::uint32_t, 4> masks{};
    std::uint32_t colours_used = 0;  // 0: as many as the bits can index
    std::size_t palette_entry = 4;   // bytes per palette entry: 3 in the OS/2 1.x kind
    std::size_t end = 0;             // where the palette begins: after the header and its masks
};

// Reads the info header at the start of `dib`, with the masks that follow a
// 40-byte one. Checks everything a header can be checked for on its own:
// its kind, the bits and compression, the masks; not the dimensions, which
// are the caller's to put to the limits.
Result<Header> read_header(Bytes dib);

// How many palette entries the pixels can use: what the header declares,
// never more than the bits can index. 0 for 16 bits and more.
std::size_t palette_colours(const Header& header);

// Bytes from one row to the next (rows are padded to 4 bytes) and of a row
// without its padding; of all rows, and of all rows but the last one's
// padding, which is what read_rows needs (none when that passes 64 bits).
std::uint64_t stride(const Header& header);
std::uint64_t row_bytes(const Header& header);
std::optional<std::uint64_t> rows_size(const Header& header);
std::optional<std::uint64_t> rows_needed(const Header& header);

// BGRA of each index. Entries past the palette are opaque black: a pixel
// that names a colour the file does not have still shows, in the colour a
// reader of the file is least surprised by, and nothing is read outside it.
using Palette = std::array<std::array<std::uint8_t, 4>, 256>;

// The palette of `count` entries at the start of `entries` (the caller has
// checked that they are there).
Palette read_palette(Bytes entries, std::size_t count, std::size_t entry_size);

// Uncompressed rows into `out` (allocated to the header's size). Fails with
// Truncated when `pixels` is shorter than the rows, the last row's padding
// excepted: some writers leave it out, and it holds no pixel.
std::optional<Error> read_rows(const Header& header, const Palette& palette, Bytes pixels, Bitmap& out);

// An RLE8 or RLE4 stream into `out` (zero-filled, bottom-up). Pixels the
// stream skips with its end-of-line, delta and end-of-bitmap codes stay
// transparent; runs and deltas that reach past the image are cut at its edge.
// A stream that ends before its end-of-bitmap code is Truncated, unless it
// has already passed the top row.
std::optional<Error> read_rle(const Header& header, const Palette& palette, Bytes stream, Bitmap& out);

// Is any alpha byte below 255?
bool has_transparency(const Bitmap& bitmap);
// Is every alpha byte 0?
bool all_transparent(const Bitmap& bitmap);
// Sets every alpha byte to 255.
void make_opaque(Bitmap& bitmap);

}  // namespace tovalin::picture::dib
