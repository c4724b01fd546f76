#include "orientation.h"

#include <cstring>

#include "bitmap_alloc.h"

namespace tovalin::picture {
namespace {

// A TIFF reader of either byte order, over the TIFF block inside APP1.
struct Tiff {
    Bytes data;
    bool big_endian;

    std::optional<std::uint32_t> read(std::size_t offset, int width) const {
        if (offset > data.size() || static_cast<std::size_t>(width) > data.size() - offset) return std::nullopt;
        std::uint32_t v = 0;
        for (int i = 0; i < width; ++i) {
            const std::uint32_t b = data[offset + static_cast<std::size_t>(big_endian ? i : width - 1 - i)];
            v = v << 8 | b;
        }
        return v;
    }
};

}  // namespace

int exif_orientation(Bytes app1) {
    static constexpr std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < 6 + 8 || std::memcmp(app1.data(), kExif, 6) != 0) return 1;
    const Tiff tiff{app1.subspan(6), app1[6] == 'M'};
    if (!(app1[6] == app1[7] && (app1[6] == 'I' || app1[6] == 'M'))) return 1;
    if (tiff.read(2, 2) != 42u) return 1;
    const auto ifd = tiff.read(4, 4);
    if (!ifd) return 1;
    const auto count = tiff.read(*ifd, 2);
    if (!count) return 1;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::size_t entry = static_cast<std::size_t>(*ifd) + 2 + static_cast<std::size_t>(i) * 12;
        const auto tag = tiff.read(entry, 2);
        if (!tag) return 1;
        if (*tag != 0x0112) continue;
        const auto type = tiff.read(entry + 2, 2);
        const auto value = tiff.read(entry + 8, 2);  // a SHORT sits in the first two bytes of the value field
        if (type != 3u || !value || *value < 1 || *value > 8) return 1;
        return static_cast<int>(*value);
    }
    return 1;
}

Result<Bitmap> apply_orientation(const Bitmap& in, int orientation, const Limits& limits) {
    const int w = in.width, h = in.height;
    const bool swap = swaps_sides(orientation);
    auto out = allocate_bitmap(swap ? h : w, swap ? w : h, limits, nullptr, Fill::Uninitialised);
    if (!out) return out.error();
    out->has_alpha = in.has_alpha;
    // For each output pixel (x, y), the stored column and row it shows.
    auto source = [&](int x, int y) -> std::pair<int, int> {
        switch (orientation) {
            case 2: return {w - 1 - x, y};
            case 3: return {w - 1 - x, h - 1 - y};
            case 4: return {x, h - 1 - y};
            case 5: return {y, x};
            case 6: return {y, h - 1 - x};
            case 7: return {w - 1 - y, h - 1 - x};
            case 8: return {w - 1 - y, x};
            default: return {x, y};
        }
    };
    for (int y = 0; y < out->height; ++y) {
        std::uint8_t* dst = out->row(y);
        for (int x = 0; x < out->width; ++x, dst += 4) {
            const auto [sx, sy] = source(x, y);
            std::memcpy(dst, in.row(sy) + static_cast<std::size_t>(sx) * 4, 4);
        }
    }
    return out;
}

}  // namespace tovalin::picture
