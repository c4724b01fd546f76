#pragma once

#include "picture.h"

namespace tovalin::picture {

// The one gate between a header's dimensions and memory. Returns why a
// picture of this size is refused, or nothing when it may be allocated.
std::optional<Error> check_dimensions(std::uint64_t width, std::uint64_t height, const Limits& limits);

// A zero-filled (transparent black) bitmap, refused before allocation when it
// passes the limits. `budget`, when given, is what is left of
// Limits::max_total_bytes for this decode, and is reduced. A failed
// allocation is OutOfMemory, never an exception.
Result<Bitmap> allocate_bitmap(int width, int height, const Limits& limits, std::uint64_t* budget = nullptr);

}  // namespace tovalin::picture
