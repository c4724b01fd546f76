// PNG through libpng's simplified reading interface, from memory, into 8-bit
// BGRA. libpng does every colour type, bit depth (16 bits to 8), palette
// with transparency and interlacing itself; this file only adds the limits.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "bitmap_alloc.h"
#include "decoders.h"

namespace tovalin::picture {
namespace {

// png_image_free may be called any number of times; this makes sure it is
// called on every way out.
struct PngImage {
    png_image image{};
    PngImage() { image.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
};

// libpng's simplified reader gets the colours of interlaced 16-bit images
// with a partly transparent alpha channel wrong when it reduces them to 8 bits
// itself (libpng 1.6.39; the alpha is right, the colours are not). Its 16-bit
// linear output is right, so such files are read that way and brought to
// 8 bits here, with the 2.2 power law libpng uses for 16-bit data.
bool interlaced(Bytes data) { return data.size() > 28 && data[28] != 0; }  // IHDR's interlace method

std::optional<Error> read_through_linear(png_image& image, Bitmap& out, const Limits& limits) {
    static const auto encode = [] {
        std::vector<std::uint8_t> lut(65536);
        for (std::size_t i = 0; i < lut.size(); ++i)
            lut[i] = static_cast<std::uint8_t>(std::lround(std::pow(static_cast<double>(i) / 65535.0, 1 / 2.2) * 255));
        return lut;
    }();
    const std::size_t samples = out.bgra.size();
    if (samples * 2 > limits.max_working_bytes) return Error::TooLarge;
    std::vector<png_uint_16> linear;
    try {
        linear.resize(samples);
    } catch (const std::bad_alloc&) {
        return Error::OutOfMemory;
    }
    image.format = PNG_FORMAT_BGRA | PNG_FORMAT_FLAG_LINEAR;
    if (!png_image_finish_read(&image, nullptr, linear.data(), 0, nullptr)) return Error::BadData;
    // Linear output is premultiplied: undo that, then encode.
    for (std::size_t i = 0; i < samples; i += 4) {
        const std::uint32_t a = linear[i + 3];
        for (std::size_t c = 0; c < 3; ++c) {
            const std::uint32_t straight = a ? std::min<std::uint32_t>(65535, (linear[i + c] * 65535u + a / 2) / a) : 0;
            out.bgra[i + c] = encode[straight];
        }
        out.bgra[i + 3] = static_cast<std::uint8_t>((a * 255 + 32767) / 65535);
    }
    return std::nullopt;
}

}  // namespace

Result<Image> decode_png(Bytes data, const DecodeOptions& options) {
    PngImage png;
    if (!png_image_begin_read_from_memory(&png.image, data.data(), data.size()))
        return data.size() < 33 ? Error::Truncated : Error::BadHeader;  // signature + IHDR is 33 bytes

    const bool source_alpha = (png.image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    auto bitmap = allocate_bitmap(static_cast<int>(std::min<png_uint_32>(png.image.width, 0x7fffffff)),
                                  static_cast<int>(std::min<png_uint_32>(png.image.height, 0x7fffffff)),
                                  options.limits);
    if (!bitmap) return bitmap.error();

    const bool sixteen_bits = (png.image.format & PNG_FORMAT_FLAG_LINEAR) != 0;
    // A 16-bit file without gamma information is sRGB like any other, as
    // viewers show it, not linear light. (Reading the header clears the flags.)
    png.image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    if (sixteen_bits && source_alpha && interlaced(data)) {
        if (auto failed = read_through_linear(png.image, *bitmap, options.limits)) return *failed;
    } else {
        png.image.format = PNG_FORMAT_BGRA;
        if (!png_image_finish_read(&png.image, nullptr, bitmap->bgra.data(),
                                   static_cast<png_int_32>(bitmap->stride()), nullptr))
            return Error::BadData;
    }

    bitmap->has_alpha = source_alpha;
    Image image;
    image.natural = {bitmap->width, bitmap->height};
    image.pixels = std::move(*bitmap);
    return image;
}

}  // namespace tovalin::picture
