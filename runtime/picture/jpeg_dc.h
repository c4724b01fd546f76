// A reduced picture of a progressive JPEG from its first scan alone.
//
// A progressive file's first scan usually carries the DC coefficient of
// every block, which is all that a picture reduced by 8 is made of: one
// pixel per block. libjpeg can stop after that scan too (buffered-image
// mode), but it first allocates and clears a coefficient buffer for the whole
// picture, 50 MB for a 13-megapixel photo, and on these machines that costs
// more than all the decoding a preview needs. This reads the first scan
// straight into the reduced picture instead.
//
// It takes only the common case (8-bit Huffman-coded YCbCr or grey, the
// first scan holding every component's DC) and declines everything else, and
// every error: the caller then decodes with libjpeg as usual.
#pragma once

#include <optional>

#include "picture.h"

namespace tovalin::picture {

// The picture reduced by 8 (sides rounded up, as libjpeg rounds), as stored,
// before any EXIF orientation; nothing when the file is not of that kind.
std::optional<Bitmap> progressive_dc_preview(Bytes data, const Limits& limits);

}  // namespace tovalin::picture
