#include "jpeg_scale.h"

#include <algorithm>
#include <array>

namespace tovalin::picture {
namespace {

// jpeg_natural_order: zigzag index -> row * 8 + column of the 8x8 block.
constexpr std::array<int, 64> kNaturalOrder{
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

constexpr int ceil_div(int a, int b) { return (a + b - 1) / b; }

}  // namespace

int jpeg_scale_denominator(Size stored, Size target) {
    for (int denom : {8, 4, 2})
        if (ceil_div(stored.width, denom) >= target.width && ceil_div(stored.height, denom) >= target.height)
            return denom;
    return 1;
}

bool progressive_coefficients_ready(j_decompress_ptr ci, int denom) {
    if (!ci->coef_bits) return false;
    const int luma_n = 8 / denom;  // the reduced IDCT uses the lowest n x n coefficients
    for (int c = 0; c < ci->num_components; ++c) {
        const jpeg_component_info& comp = ci->comp_info[c];
        // A subsampled component is reduced less, so it needs more of its block.
        const int factor = std::max(ci->max_h_samp_factor / std::max(comp.h_samp_factor, 1),
                                    ci->max_v_samp_factor / std::max(comp.v_samp_factor, 1));
        const int n = std::min(8, luma_n * std::max(factor, 1));
        for (int zz = 0; zz < 64; ++zz) {
            const int row = kNaturalOrder[static_cast<std::size_t>(zz)] / 8;
            const int col = kNaturalOrder[static_cast<std::size_t>(zz)] % 8;
            if (row >= n || col >= n) continue;
            const int bits = ci->coef_bits[c][zz];
            if (bits < 0 || bits > 1) return false;
        }
    }
    return true;
}

}  // namespace tovalin::picture
