// Size arithmetic for decoders. Every product or sum that decides an
// allocation, a stride or an offset into the input goes through these, so
// that an overflow is a refused file and never a short buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tovalin::picture::checked {

inline std::optional<std::size_t> mul(std::size_t a, std::size_t b) {
    std::size_t r;
    if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
    return r;
}

inline std::optional<std::size_t> add(std::size_t a, std::size_t b) {
    std::size_t r;
    if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
    return r;
}

// a * b * c + d, the shape of most pixel buffer sizes.
inline std::optional<std::size_t> mad3(std::size_t a, std::size_t b, std::size_t c, std::size_t d = 0) {
    auto ab = mul(a, b);
    if (!ab) return std::nullopt;
    auto abc = mul(*ab, c);
    if (!abc) return std::nullopt;
    return add(*abc, d);
}

// Does [offset, offset + length) lie inside a buffer of `size` bytes?
inline bool fits(std::size_t offset, std::size_t length, std::size_t size) {
    auto end = add(offset, length);
    return end && *end <= size;
}

}  // namespace tovalin::picture::checked
