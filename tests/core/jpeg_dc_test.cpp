#include <gtest/gtest.h>

#include <cmath>

#include "picture/jpeg_dc.h"
#include "support/magick.h"

using namespace tovalin::picture;
using namespace tovalin::test;

namespace {

double mean_difference(const Bitmap& a, const Bitmap& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.bgra.size(); ++i) sum += std::abs(a.bgra[i] - b.bgra[i]);
    return sum / static_cast<double>(a.bgra.size());
}

// The first-scan preview against libjpeg's own 1/8 decode of the whole file
// (djpeg -scale 1/8): the same size, and the same to the eye.
TEST(JpegFirstScan, MatchesAFullReductionByEight) {
    struct Case {
        const char* name;
        std::string args;
        Size size;
    };
    const Case cases[] = {
        {"4:2:0", "-resize 1600x1200! -sampling-factor 2x2", {200, 150}},
        {"4:2:2, odd size", "-resize 1601x1203! -sampling-factor 2x1", {201, 151}},
        {"4:4:4", "-resize 640x480! -sampling-factor 1x1", {80, 60}},
        {"grey", "-resize 803x599! -colorspace Gray", {101, 75}},
        {"restart markers", "-resize 1600x1200! -define jpeg:restart-interval=3", {200, 150}},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir / ("p" + std::to_string(n++) + ".jpg");
        const auto bytes = make_with_convert("rose: " + c.args + " -quality 90 -interlace JPEG", path);
        auto preview = progressive_dc_preview(bytes, {});
        ASSERT_TRUE(preview);
        ASSERT_EQ((Size{preview->width, preview->height}), c.size);
        const auto ppm = dir / ("p" + std::to_string(n) + ".ppm");
        run("djpeg -scale 1/8 -outfile " + quoted(ppm.string()) + " " + quoted(path.string()));
        const Bitmap reference = magick_decode(ppm);
        // From the whole file, libjpeg draws 4:2:0 chroma with the detail of
        // later scans, 2 x 2 pixels per chroma block; the first scan has one
        // value per block. The picture is the same to the eye.
        EXPECT_LE(max_difference(*preview, reference), 32);
        EXPECT_LT(mean_difference(*preview, reference), 1.5);
    }
}

TEST(JpegFirstScan, DeclinesWhatItDoesNotTake) {
    TempDir dir;
    const auto baseline = make_with_convert("rose: -quality 90", dir / "b.jpg");
    const auto cmyk = make_with_convert("rose: -colorspace CMYK -interlace JPEG", dir / "c.jpg");
    const auto progressive = make_with_convert("rose: -resize 400x300! -interlace JPEG", dir / "p.jpg");
    EXPECT_FALSE(progressive_dc_preview(baseline, {}));
    EXPECT_FALSE(progressive_dc_preview(cmyk, {}));
    ASSERT_TRUE(progressive_dc_preview(progressive, {}));
    // Cut inside its first scan: declined, so that libjpeg shows what came.
    for (std::size_t keep : {std::size_t{0}, std::size_t{2}, progressive.size() / 8}) {
        const std::vector<std::uint8_t> cut(progressive.begin(), progressive.begin() + static_cast<std::ptrdiff_t>(keep));
        EXPECT_FALSE(progressive_dc_preview(cut, {})) << keep;
    }
    Limits tight;
    tight.max_pixels = 400 * 300 - 1;
    EXPECT_FALSE(progressive_dc_preview(progressive, tight));
}

}  // namespace
