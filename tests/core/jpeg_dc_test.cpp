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

// A sequential file read for its DC coefficients alone, against libjpeg's
// own 1/8 decode. Without subsampled components libjpeg's 1/8 is the DC
// alone too, so the two agree exactly, and a single code passed over out
// of step would garble every block after it. Loud noise at quality 100
// makes codes longer than the one-look-up tables; faint noise makes short
// codes up to the last coefficient of a block, which then ends without an
// end-of-block code, the next block's codes in the same look-up.
TEST(JpegSequentialDc, MatchesLibjpegReducedByEight) {
    struct Case {
        const char* name;
        std::string args;
        Size size;
        int max_difference;
        double mean_difference;
    };
    const Case cases[] = {
        {"4:4:4", "rose: -resize 640x480! -sampling-factor 1x1 -quality 90", {80, 60}, 0, 0},
        {"grey, odd size", "rose: -resize 803x599! -colorspace Gray -quality 90", {101, 75}, 0, 0},
        {"noise at quality 100", "-size 203x101 xc: +noise Random -sampling-factor 1x1 -quality 100", {26, 13}, 0, 0},
        {"faint noise at quality 100", "-size 203x101 xc:gray50 -attenuate 0.5 +noise Gaussian -sampling-factor 1x1 -quality 100",
         {26, 13}, 0, 0},
        {"restart markers", "rose: -resize 640x480! -sampling-factor 1x1 -define jpeg:restart-interval=2", {80, 60}, 0, 0},
        // libjpeg draws subsampled chroma with the detail of its first AC
        // coefficients, 2 x 2 pixels per chroma block; the DC has one value
        // per block. The same to the eye.
        {"4:2:0", "rose: -resize 1600x1200! -sampling-factor 2x2 -quality 90", {200, 150}, 32, 1.5},
        {"4:2:2, odd size", "rose: -resize 1601x1203! -sampling-factor 2x1 -quality 90", {201, 151}, 32, 1.5},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir / ("s" + std::to_string(n++) + ".jpg");
        const auto bytes = make_with_convert(c.args, path);
        auto preview = sequential_dc_preview(bytes, {});
        ASSERT_TRUE(preview);
        ASSERT_EQ((Size{preview->width, preview->height}), c.size);
        const auto ppm = dir / ("s" + std::to_string(n) + ".ppm");
        run("djpeg -scale 1/8 -outfile " + quoted(ppm.string()) + " " + quoted(path.string()));
        const Bitmap reference = magick_decode(ppm);
        EXPECT_LE(max_difference(*preview, reference), c.max_difference);
        EXPECT_LE(mean_difference(*preview, reference), c.mean_difference);
    }
}

TEST(JpegSequentialDc, DeclinesWhatItDoesNotTake) {
    TempDir dir;
    const auto baseline = make_with_convert("rose: -resize 400x300! -quality 90", dir / "b.jpg");
    const auto progressive = make_with_convert("rose: -interlace JPEG", dir / "p.jpg");
    const auto cmyk = make_with_convert("rose: -colorspace CMYK", dir / "c.jpg");
    run("jpegtran -arithmetic -outfile " + quoted((dir / "a.jpg").string()) + " " + quoted((dir / "b.jpg").string()));
    const auto arithmetic = read_file(dir / "a.jpg");
    ASSERT_TRUE(sequential_dc_preview(baseline, {}));
    EXPECT_FALSE(sequential_dc_preview(progressive, {}));
    EXPECT_FALSE(sequential_dc_preview(cmyk, {}));
    EXPECT_FALSE(sequential_dc_preview(arithmetic, {}));
    // Cut anywhere inside its scan: declined, so that libjpeg shows what came.
    for (std::size_t keep : {std::size_t{0}, std::size_t{2}, baseline.size() / 2, baseline.size() - 3}) {
        const std::vector<std::uint8_t> cut(baseline.begin(), baseline.begin() + static_cast<std::ptrdiff_t>(keep));
        EXPECT_FALSE(sequential_dc_preview(cut, {})) << keep;
    }
    Limits tight;
    tight.max_pixels = 400 * 300 - 1;
    EXPECT_FALSE(sequential_dc_preview(baseline, tight));
}

}  // namespace
