// A picture reduced by 8 from the DC coefficients of a JPEG alone.
//
// A progressive file's first scan usually carries the DC coefficient of
// every block, which is all that a picture reduced by 8 is made of: one
// pixel per block. libjpeg can stop after that scan too (buffered-image
// mode), but it first allocates and clears a coefficient buffer for the whole
// picture, 50 MB for a 13-megapixel photo, and on these machines that costs
// more than all the decoding a preview needs. This reads the first scan
// straight into the reduced picture instead.
//
// A sequential (baseline) file has one scan with every coefficient of a
// block in a row, so every code has to be read to find the next block; but
// at 1/8 only the DC is wanted, and libjpeg still reads each AC code and
// then its value, with a branch for each. Here one table look-up passes
// over every whole code and value in the next 12 bits at once: on a 12 MP
// photo a third less time than libjpeg's 1/8 decode, which is nearly all
// entropy decoding.
//
// It takes only the common case (8-bit Huffman-coded YCbCr or grey, the
// first scan holding every component's DC, for a sequential file every
// coefficient) and declines everything else, and every error: the caller
// then decodes with libjpeg as usual.
#pragma once

#include <optional>

#include "picture.h"

namespace tovalin::picture {

// The picture reduced by 8 (sides rounded up, as libjpeg rounds), as stored,
// before any EXIF orientation; nothing when the file is not of that kind.
std::optional<Bitmap> progressive_dc_preview(Bytes data, const Limits& limits);
std::optional<Bitmap> sequential_dc_preview(Bytes data, const Limits& limits);

}  // namespace tovalin::picture
