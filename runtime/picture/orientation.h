// The EXIF orientation of a photo (1 to 8) and the transform that shows it
// upright, as every image viewer does.
#pragma once

#include "picture.h"

namespace tovalin::picture {

// The orientation tag of an APP1 "Exif" payload (the bytes after the marker's
// length field); 1 when there is none or it cannot be read.
int exif_orientation(Bytes app1);

// Orientations 5 to 8 turn the picture a quarter: its sides swap.
constexpr bool swaps_sides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Applies the orientation; the result has swapped sides for 5 to 8.
Result<Bitmap> apply_orientation(const Bitmap& stored, int orientation, const Limits& limits);

}  // namespace tovalin::picture
