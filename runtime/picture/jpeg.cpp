// JPEG through libjpeg's decompression interface, from memory.
//
// libjpeg reports a fatal error by calling error_exit, which must not return.
// Ours longjmps back into decode_jpeg, so everything that has to be released
// lives in one heap object (Decompressor) that decode_jpeg owns, and the code
// that calls libjpeg (run) keeps no local with a destructor across a libjpeg
// call: nothing is skipped by the jump, and nothing leaks on any way out.
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>

#include "bitmap_alloc.h"
#include "decoders.h"
#include "jpeg_dc.h"
#include "jpeg_lib.h"
#include "jpeg_scale.h"
#include "orientation.h"

namespace tovalin::picture {
namespace {

// A progressive file can repeat scans without end, each one a full pass over
// the coefficients; real encoders write a few dozen at most.
constexpr int kMaxScans = 500;

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    bool created = false;
    int warnings = 0;
    Error failure = Error::BadData;

    Bitmap pixels;
    std::vector<std::uint8_t> row;  // one scan line, for grey and CMYK output
    int orientation = 1;
    Size stored;  // before orientation

    ~Decompressor() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

Decompressor& owner(j_common_ptr c) { return *static_cast<Decompressor*>(c->client_data); }

[[noreturn]] void on_error(j_common_ptr c) {
    Decompressor& d = owner(c);
    d.failure = c->err->msg_code == JERR_OUT_OF_MEMORY ? Error::OutOfMemory : Error::BadData;
    std::longjmp(d.jump, 1);
}

// Corrupt-data warnings are counted and decoding goes on, as every viewer does;
// nothing is ever printed.
void on_message(j_common_ptr c, int level) {
    if (level < 0) ++owner(c).warnings;
}
void on_output(j_common_ptr) {}

void on_progress(j_common_ptr c) {
    if (reinterpret_cast<j_decompress_ptr>(c)->input_scan_number > kMaxScans) {
        c->err->msg_code = JERR_BAD_PROGRESSION;
        c->err->error_exit(c);
    }
}

// How a scan line comes out of libjpeg, and what turns it into BGRA.
enum class Layout { Bgra, Grey, Cmyk, InvertedCmyk };

void to_bgra(Layout layout, const std::uint8_t* in, std::uint8_t* out, int width) {
    switch (layout) {
        case Layout::Bgra: return;
        case Layout::Grey:
            for (int x = 0; x < width; ++x, out += 4) out[0] = out[1] = out[2] = in[x], out[3] = 255;
            return;
        case Layout::Cmyk:
        case Layout::InvertedCmyk: {
            // Values here are ink amounts; inverted files store 255 for no ink.
            const int flip = layout == Layout::Cmyk ? 255 : 0;
            for (int x = 0; x < width; ++x, in += 4, out += 4) {
                const int c = in[0] ^ flip, m = in[1] ^ flip, y = in[2] ^ flip, k = in[3] ^ flip;
                out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
                out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
                out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
                out[3] = 255;
            }
            return;
        }
    }
}

void read_rows(Decompressor& d, Layout layout) {
    j_decompress_ptr ci = &d.cinfo;
    while (ci->output_scanline < ci->output_height) {
        std::uint8_t* target = d.pixels.row(static_cast<int>(ci->output_scanline));
        JSAMPROW line = layout == Layout::Bgra ? target : d.row.data();
        if (jpeg_read_scanlines(ci, &line, 1) != 1) break;  // cannot happen from memory; never loop on it
        to_bgra(layout, line, target, d.pixels.width);
    }
    // The bitmap was not cleared: rows libjpeg did not give are blank.
    const std::size_t done = std::min<std::size_t>(ci->output_scanline, static_cast<std::size_t>(d.pixels.height));
    std::fill(d.pixels.bgra.begin() + static_cast<std::ptrdiff_t>(done * d.pixels.stride()), d.pixels.bgra.end(), 0);
}

// Everything that calls libjpeg. Any call may jump out through on_error, so
// no local here has a destructor.
std::optional<Error> run(Decompressor& d, Bytes data, const DecodeOptions& options) {
    j_decompress_ptr ci = &d.cinfo;
    jpeg_create_decompress(ci);
    d.created = true;
    ci->mem->max_memory_to_use = static_cast<long>(std::min<std::uint64_t>(options.limits.max_working_bytes, 1ull << 62));
    d.progress.progress_monitor = on_progress;
    ci->progress = &d.progress;
    jpeg_mem_src(ci, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_save_markers(ci, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(ci, TRUE) != JPEG_HEADER_OK) return Error::BadHeader;

    if (auto refused = check_dimensions(ci->image_width, ci->image_height, options.limits)) return *refused;
    d.stored = {static_cast<int>(ci->image_width), static_cast<int>(ci->image_height)};
    for (jpeg_saved_marker_ptr m = ci->marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1) continue;
        d.orientation = exif_orientation({m->data, m->data_length});
        if (d.orientation != 1) break;
    }

    Layout layout;
    switch (ci->jpeg_color_space) {
        case JCS_GRAYSCALE: ci->out_color_space = JCS_GRAYSCALE, layout = Layout::Grey; break;
        case JCS_YCbCr:
        case JCS_RGB: ci->out_color_space = JCS_EXT_BGRA, layout = Layout::Bgra; break;
        case JCS_CMYK:
        case JCS_YCCK:
            ci->out_color_space = JCS_CMYK;
            layout = ci->saw_Adobe_marker ? Layout::InvertedCmyk : Layout::Cmyk;
            break;
        default: return Error::Unsupported;
    }

    // The target is upright; the stored picture may lie on its side.
    int denom = 1;
    if (options.target) {
        Size t = *options.target;
        if (swaps_sides(d.orientation)) std::swap(t.width, t.height);
        denom = jpeg_scale_denominator(d.stored, t);
    }
    // At 1/8 a picture is its DC coefficients alone (jpeg_dc.h); whatever
    // that reader declines, libjpeg decodes below.
    if (denom == 8 && (ci->jpeg_color_space == JCS_YCbCr || ci->jpeg_color_space == JCS_GRAYSCALE)) {
        if (auto preview = ci->progressive_mode ? progressive_dc_preview(data, options.limits)
                                                : sequential_dc_preview(data, options.limits)) {
            d.pixels = std::move(*preview);
            return std::nullopt;
        }
    }

    ci->scale_num = 1;
    ci->scale_denom = static_cast<unsigned>(denom);
    ci->do_block_smoothing = FALSE;
    jpeg_calc_output_dimensions(ci);

    {
        // Every row is written by read_rows.
        auto pixels = allocate_bitmap(static_cast<int>(ci->output_width), static_cast<int>(ci->output_height),
                                      options.limits, nullptr, Fill::Uninitialised);
        if (!pixels) return pixels.error();
        d.pixels = std::move(*pixels);
        try {
            d.row.resize(static_cast<std::size_t>(ci->output_width) * 4);
        } catch (const std::bad_alloc&) {
            return Error::OutOfMemory;
        }
    }

    // A reduced progressive picture needs only the lowest coefficients of
    // each block (the DC alone at 1/8), and most progressive files send
    // those in their first scans: take the picture as soon as they are in,
    // rather than entropy-decoding every remaining scan for detail that the
    // reduction throws away.
    if (ci->progressive_mode && denom > 1) {
        ci->buffered_image = TRUE;
        jpeg_start_decompress(ci);
        for (;;) {
            const int status = jpeg_consume_input(ci);
            if (status == JPEG_REACHED_EOI || status == JPEG_SUSPENDED) break;
            if (status == JPEG_SCAN_COMPLETED && progressive_coefficients_ready(ci, denom)) break;
        }
        jpeg_start_output(ci, ci->input_scan_number);
        read_rows(d, layout);
        // The rest of the file is not needed; destroying the decompressor
        // abandons it.
        return std::nullopt;
    }

    jpeg_start_decompress(ci);
    read_rows(d, layout);
    jpeg_finish_decompress(ci);
    return std::nullopt;
}

}  // namespace

Result<Image> decode_jpeg(Bytes data, const DecodeOptions& options) {
    std::unique_ptr<Decompressor> d(new (std::nothrow) Decompressor);
    if (!d) return Error::OutOfMemory;
    d->cinfo.err = jpeg_std_error(&d->errors);
    d->errors.error_exit = on_error;
    d->errors.emit_message = on_message;
    d->errors.output_message = on_output;
    d->cinfo.client_data = d.get();

    if (setjmp(d->jump)) return d->failure;
    if (auto failed = run(*d, data, options)) return *failed;

    Image image;
    image.natural = swaps_sides(d->orientation) ? Size{d->stored.height, d->stored.width} : d->stored;
    if (d->orientation == 1) {
        image.pixels = std::move(d->pixels);
    } else {
        auto upright = apply_orientation(d->pixels, d->orientation, options.limits);
        if (!upright) return upright.error();
        image.pixels = std::move(*upright);
    }
    return image;
}

}  // namespace tovalin::picture
