// The two built-in pictures as committed (and embedded): their own
// properties, read from the file's header, and their decoding by the
// picture service, pixel for pixel against ImageMagick's.
#include <gtest/gtest.h>

#include <filesystem>

#include "picture/picture.h"
#include "support/magick.h"

using namespace tovalin::picture;
using namespace tovalin::test;

namespace {

std::uint32_t big_endian(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

TEST(BuiltInPictures, AreThePngFilesTheWindowsAskFor) {
    struct Case {
        const char* file;
        int width, height;
        int colour_type;  // 6: RGB with alpha, 2: RGB
    };
    const Case cases[] = {
        {"guide.png", 964, 529, 6},
        {"sponsor.png", 3967, 2482, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::filesystem::path path = std::filesystem::path(TOVALIN_SOURCE_DIR) / "assets/pictures" / c.file;
        const std::vector<std::uint8_t> bytes = read_file(path);
        ASSERT_GT(bytes.size(), 33u);
        // The signature, then IHDR as the first chunk.
        const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        ASSERT_TRUE(std::equal(std::begin(signature), std::end(signature), bytes.begin()));
        ASSERT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
        EXPECT_EQ(big_endian(bytes, 16), static_cast<std::uint32_t>(c.width));
        EXPECT_EQ(big_endian(bytes, 20), static_cast<std::uint32_t>(c.height));
        EXPECT_EQ(bytes[24], 8) << "bits per channel";
        EXPECT_EQ(bytes[25], c.colour_type);
        EXPECT_EQ(bytes[28], 0) << "interlace";

        auto decoded = decode(bytes);
        ASSERT_TRUE(decoded) << to_string(decoded.error());
        EXPECT_EQ(decoded->natural, (Size{c.width, c.height}));
        const Bitmap& pixels = decoded->pixels;
        ASSERT_EQ(pixels.width, c.width);
        ASSERT_EQ(pixels.height, c.height);
        EXPECT_TRUE(decoded->frames.empty());
        // Every pixel opaque, so that no face colour shows through.
        std::size_t translucent = 0;
        for (std::size_t i = 3; i < pixels.bgra.size(); i += 4) translucent += pixels.bgra[i] != 255;
        EXPECT_EQ(translucent, 0u);
        EXPECT_EQ(max_difference(pixels, magick_decode(path)), 0);
    }
}

}  // namespace
