// What every fuzz target does with its input: decode it whole and for a
// small target, under limits tight enough that one input cannot take the
// fuzzer's memory, and check what a successful decode promises.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "picture/picture.h"

namespace tovalin::fuzz {

inline picture::Limits fuzz_limits() {
    picture::Limits limits;
    // 512 x 512: a garbage file that claims a large picture still decodes in
    // full, so a larger bound spends the fuzzer's time inside the libraries.
    limits.max_pixels = 1u << 18;
    limits.max_total_bytes = 16u << 20;
    limits.max_working_bytes = 256u << 20;
    return limits;
}

inline void check(const picture::Result<picture::Image>& r) {
    if (!r) return;
    const picture::Bitmap& p = r->pixels;
    if (p.width <= 0 || p.height <= 0 ||
        p.bgra.size() != static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 4)
        std::abort();
    for (const picture::Frame& f : r->frames)
        if (f.image.bgra.size() != static_cast<std::size_t>(f.image.width) * static_cast<std::size_t>(f.image.height) * 4)
            std::abort();
}

template <class Decoder>
int exercise(Decoder decoder, const std::uint8_t* data, std::size_t size) {
    const picture::Bytes bytes(data, size);
    picture::DecodeOptions options;
    options.limits = fuzz_limits();
    check(decoder(bytes, options));
    // Small enough that every reduction applies (a JPEG decodes at 1/8).
    options.target = picture::Size{3, 2};
    check(decoder(bytes, options));
    return 0;
}

}  // namespace tovalin::fuzz
