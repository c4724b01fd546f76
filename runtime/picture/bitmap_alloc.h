#pragma once

#include "picture.h"

namespace tovalin::picture {

// The one gate between a header's dimensions and memory. Returns why a
// picture of this size is refused, or nothing when it may be allocated.
std::optional<Error> check_dimensions(std::uint64_t width, std::uint64_t height, const Limits& limits);

// What a new bitmap's pixels start as. Uninitialised is only for code that
// writes every pixel before anything reads one: a decoder that may leave
// pixels unwritten (RLE, cut files, frames smaller than the screen) takes
// Zero, so that what it leaves shows as transparent black and never as
// whatever the memory held before.
enum class Fill { Zero, Uninitialised };

// A bitmap, refused before allocation when it passes the limits. `budget`,
// when given, is what is left of Limits::max_total_bytes for this decode,
// and is reduced. A failed allocation is OutOfMemory, never an exception.
Result<Bitmap> allocate_bitmap(int width, int height, const Limits& limits, std::uint64_t* budget = nullptr,
                               Fill fill = Fill::Zero);

}  // namespace tovalin::picture
