// PNG through libpng, from memory, into 8-bit BGRA. libpng does every colour
// type, bit depth (16 bits to 8), palette with transparency and interlacing
// itself; this file adds the limits, and reduces large pictures for a small
// target while their rows come in.
//
// A file that is not interlaced is read a row at a time, with the same
// transformations that libpng's simplified reader sets up for 8-bit BGRA,
// so that a picture reduced for a preview never exists at full size: a
// 10,000 x 10,000 photo would be a 400 MB bitmap. An interlaced file has
// its rows in seven passes, so it is read whole through the simplified
// reader.
//
// libpng reports a fatal error by longjmp. Everything the row reader must
// release lives in one heap object (RowReader) that decode_png owns, and the
// code that calls libpng (read_rows) keeps no local with a destructor across
// a libpng call.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <memory>
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

// An interlaced file, whole, through the simplified reader.
Result<Image> decode_whole(Bytes data, const DecodeOptions& options) {
    PngImage png;
    if (!png_image_begin_read_from_memory(&png.image, data.data(), data.size()))
        return data.size() < 33 ? Error::Truncated : Error::BadHeader;  // signature + IHDR is 33 bytes

    const bool source_alpha = (png.image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    // Every row is written, or the read fails and the bitmap is dropped.
    auto bitmap = allocate_bitmap(static_cast<int>(std::min<png_uint_32>(png.image.width, 0x7fffffff)),
                                  static_cast<int>(std::min<png_uint_32>(png.image.height, 0x7fffffff)),
                                  options.limits, nullptr, Fill::Uninitialised);
    if (!bitmap) return bitmap.error();

    const bool sixteen_bits = (png.image.format & PNG_FORMAT_FLAG_LINEAR) != 0;
    // A 16-bit file without gamma information is sRGB like any other, as
    // viewers show it, not linear light. (Reading the header clears the flags.)
    png.image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    if (sixteen_bits && source_alpha) {
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

// Whole blocks of factor x factor source pixels averaged into one, the last
// ones in a row or column cut short by the picture's edge. Colours are
// weighted by their alpha, so that the colour under a transparent pixel,
// which nobody sees, does not tint its opaque neighbours.
class BlockReducer {
public:
    void start(int source_width, int factor, bool alpha) {
        width_ = source_width, factor_ = factor, alpha_ = alpha;
        sums_.assign(static_cast<std::size_t>((source_width + factor - 1) / factor) * 4, 0);
        rows_ = 0;
    }

    // One source row of BGRA. Returns true when it completes a row of blocks.
    bool add(const std::uint8_t* row) {
        std::uint64_t* s = sums_.data();
        for (int x = 0; x < width_; x += factor_, s += 4) {
            const std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
            const std::uint8_t* end = row + static_cast<std::size_t>(std::min(width_, x + factor_)) * 4;
            if (alpha_) {
                for (; p != end; p += 4) {
                    const std::uint64_t a = p[3];
                    s[0] += a * p[0], s[1] += a * p[1], s[2] += a * p[2], s[3] += a;
                }
            } else {
                for (; p != end; p += 4) s[0] += p[0], s[1] += p[1], s[2] += p[2];
            }
        }
        return ++rows_ == factor_;
    }

    // The row of blocks so far as one row of BGRA; the sums start again.
    void emit(std::uint8_t* out) {
        if (rows_ == 0) return;
        std::uint64_t* s = sums_.data();
        for (int x = 0; x < width_; x += factor_, s += 4, out += 4) {
            const std::uint64_t n = static_cast<std::uint64_t>(std::min(width_, x + factor_) - x) *
                                    static_cast<std::uint64_t>(rows_);
            if (!alpha_) {
                for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((s[c] + n / 2) / n);
                out[3] = 255;
            } else if (const std::uint64_t a = s[3]) {
                for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((s[c] + a / 2) / a);
                out[3] = static_cast<std::uint8_t>((a + n / 2) / n);
            } else {
                std::memset(out, 0, 4);
            }
            std::fill(s, s + 4, 0);
        }
        rows_ = 0;
    }

private:
    int width_ = 0, factor_ = 1;
    bool alpha_ = false;
    int rows_ = 0;  // source rows in the sums
    std::vector<std::uint64_t> sums_;
};

struct RowReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Bytes data;
    std::size_t pos = 0;
    Error failure = Error::BadData;

    Size natural;
    bool alpha = false;
    int factor = 1;  // source pixels to an output pixel, each way
    Bitmap pixels;
    std::vector<std::uint8_t> row;  // one source row, transformed
    BlockReducer reducer;

    ~RowReader() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

void read_from_memory(png_structp png, png_bytep out, png_size_t length) {
    auto& r = *static_cast<RowReader*>(png_get_io_ptr(png));
    if (length > r.data.size() - r.pos) png_error(png, "read beyond end of data");
    std::memcpy(out, r.data.data() + r.pos, length);
    r.pos += length;
}

// Warnings are dropped: the program shows nothing of a picture's troubles.
void on_warning(png_structp, png_const_charp) {}
[[noreturn]] void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The largest whole reduction whose result still covers the target.
int reduction_factor(Size natural, const std::optional<Size>& target) {
    if (!target || target->width <= 0 || target->height <= 0) return 1;
    return std::max(1, std::min(natural.width / target->width, natural.height / target->height));
}

// Everything that calls libpng. Any call may jump out through on_error, so
// no local here has a destructor.
std::optional<Error> read_rows(RowReader& r, const DecodeOptions& options) {
    png_set_read_fn(r.png, &r, read_from_memory);
    // As the simplified reader: damage in chunks that do not make the
    // picture is a warning.
    png_set_benign_errors(r.png, 1);
    r.failure = r.data.size() < 33 ? Error::Truncated : Error::BadHeader;  // signature + IHDR is 33 bytes
    png_read_info(r.png, r.info);
    r.failure = Error::BadData;

    const png_uint_32 width = png_get_image_width(r.png, r.info), height = png_get_image_height(r.png, r.info);
    if (auto refused = check_dimensions(width, height, options.limits)) return *refused;
    r.natural = {static_cast<int>(width), static_cast<int>(height)};
    const int colour_type = png_get_color_type(r.png, r.info);
    r.alpha = (colour_type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(r.png, r.info, PNG_INFO_tRNS) != 0;

    // The simplified reader's transformations for 8-bit BGRA, in its order.
    // A 16-bit file without gamma information is sRGB like any other, as
    // viewers show it, not linear light.
    png_set_expand(r.png);
    if ((colour_type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(r.png);
    png_set_alpha_mode_fixed(r.png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    if (png_get_bit_depth(r.png, r.info) == 16) png_set_scale_16(r.png);
    if (!r.alpha) png_set_add_alpha(r.png, 0xFF, PNG_FILLER_AFTER);
    png_set_alpha_mode_fixed(r.png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    png_set_bgr(r.png);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) != static_cast<std::size_t>(width) * 4) return Error::BadData;

    r.factor = reduction_factor(r.natural, options.target);
    {
        const int f = r.factor;
        // Every row is written, or the read fails and the bitmap is dropped.
        auto pixels = allocate_bitmap((r.natural.width + f - 1) / f, (r.natural.height + f - 1) / f, options.limits,
                                      nullptr, Fill::Uninitialised);
        if (!pixels) return pixels.error();
        r.pixels = std::move(*pixels);
        try {
            if (f > 1) {
                r.row.resize(static_cast<std::size_t>(width) * 4);
                r.reducer.start(r.natural.width, f, r.alpha);
            }
        } catch (const std::bad_alloc&) {
            return Error::OutOfMemory;
        }
    }

    int out_row = 0;
    for (int y = 0; y < r.natural.height; ++y) {
        if (r.factor == 1) {
            png_read_row(r.png, r.pixels.row(y), nullptr);
            continue;
        }
        png_read_row(r.png, r.row.data(), nullptr);
        if (r.reducer.add(r.row.data())) r.reducer.emit(r.pixels.row(out_row++));
    }
    if (out_row < r.pixels.height) r.reducer.emit(r.pixels.row(out_row));
    // Chunks after the image data are not read: nothing in them changes
    // the picture.
    return std::nullopt;
}

Result<Image> decode_by_rows(Bytes data, const DecodeOptions& options) {
    std::unique_ptr<RowReader> r(new (std::nothrow) RowReader);
    if (!r) return Error::OutOfMemory;
    r->data = data;
    r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!r->png) return Error::OutOfMemory;
    r->info = png_create_info_struct(r->png);
    if (!r->info) return Error::OutOfMemory;

    if (setjmp(png_jmpbuf(r->png))) return r->failure;
    if (auto failed = read_rows(*r, options)) return *failed;

    r->pixels.has_alpha = r->alpha;
    Image image;
    image.natural = r->natural;
    image.pixels = std::move(r->pixels);
    return image;
}

}  // namespace

Result<Image> decode_png(Bytes data, const DecodeOptions& options) {
    return interlaced(data) ? decode_whole(data, options) : decode_by_rows(data, options);
}

}  // namespace tovalin::picture
