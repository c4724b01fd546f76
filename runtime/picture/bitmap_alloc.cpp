#include "bitmap_alloc.h"

#include <new>

#include "checked.h"

namespace tovalin::picture {

std::optional<Error> check_dimensions(std::uint64_t width, std::uint64_t height, const Limits& limits) {
    if (width == 0 || height == 0) return Error::BadHeader;
    if (width > limits.max_dimension || height > limits.max_dimension) return Error::TooLarge;
    auto pixels = checked::mul(width, height);
    if (!pixels || *pixels > limits.max_pixels) return Error::TooLarge;
    auto bytes = checked::mul(*pixels, 4);
    if (!bytes || *bytes > limits.max_total_bytes) return Error::TooLarge;
    return std::nullopt;
}

Result<Bitmap> allocate_bitmap(int width, int height, const Limits& limits, std::uint64_t* budget, Fill fill) {
    if (width < 0 || height < 0) return Error::BadHeader;
    if (auto refused = check_dimensions(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), limits))
        return *refused;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    if (budget) {
        if (bytes > *budget) return Error::TooLarge;
        *budget -= bytes;
    }
    Bitmap b;
    b.width = width;
    b.height = height;
    try {
        if (fill == Fill::Zero)
            b.bgra.assign(bytes, 0);
        else
            b.bgra.resize(bytes);
    } catch (const std::bad_alloc&) {
        if (budget) *budget += bytes;
        return Error::OutOfMemory;
    }
    return b;
}

}  // namespace tovalin::picture
