// How far a JPEG may be reduced while it decodes (libjpeg's DCT scaling), for
// a target size. Kept apart so that the rule can be tested without files.
#pragma once

#include "jpeg_lib.h"

#include "picture.h"

namespace tovalin::picture {

// The largest of 8, 4, 2 (else 1) such that the picture reduced by that
// denominator, rounded up as libjpeg rounds, still covers the target.
int jpeg_scale_denominator(Size stored, Size target);

// Whether a progressive decompressor in buffered-image mode already holds
// the coefficients that a 1/denom reduction uses, for every component, to
// within their last bit.
bool progressive_coefficients_ready(j_decompress_ptr cinfo, int denom);

}  // namespace tovalin::picture
