// BMP: a 14-byte file header, then a device-independent bitmap (dib.h)
// whose pixels start where the file header says.
#include <algorithm>

#include "bitmap_alloc.h"
#include "byte_reader.h"
#include "checked.h"
#include "decoders.h"
#include "dib.h"

namespace tovalin::picture {

Result<Image> decode_bmp(Bytes data, const DecodeOptions& options) {
    ByteReader r(data);
    const std::uint8_t b = r.u8(), m = r.u8();
    r.skip(8);  // file size (often wrong: the header and the rows say it), reserved
    const std::uint32_t offset = r.u32le();
    if (!r.ok()) return Error::Truncated;
    if (b != 'B' || m != 'M') return Error::BadHeader;

    auto header = dib::read_header(data.subspan(14));
    if (!header) return header.error();
    const dib::Header& h = *header;
    if (auto refused = check_dimensions(static_cast<std::uint64_t>(h.width), static_cast<std::uint64_t>(h.height),
                                        options.limits))
        return *refused;

    // The palette lies between the header and the pixels. A file may hold
    // fewer entries than its header declares (the OS/2 1.x kind cannot
    // declare any): the pixel offset has the last word.
    const std::size_t palette_start = 14 + h.end;
    if (offset < palette_start) return Error::BadHeader;
    std::size_t colours = std::min(dib::palette_colours(h), (offset - palette_start) / h.palette_entry);
    if (h.bits <= 8 && colours == 0) return Error::BadHeader;
    if (!checked::fits(palette_start, colours * h.palette_entry, data.size())) return Error::Truncated;
    const dib::Palette palette = dib::read_palette(data.subspan(palette_start), colours, h.palette_entry);

    if (offset > data.size()) return Error::Truncated;
    const Bytes pixels = data.subspan(offset);
    const bool rle = h.compression == dib::Compression::Rle8 || h.compression == dib::Compression::Rle4;
    // Rows cut short are no picture: known before any allocation.
    if (!rle) {
        const auto needed = dib::rows_needed(h);
        if (!needed || *needed > pixels.size()) return Error::Truncated;
    }

    auto bitmap = allocate_bitmap(h.width, h.height, options.limits);
    if (!bitmap) return bitmap.error();
    if (rle) {
        if (auto failed = dib::read_rle(h, palette, pixels, *bitmap)) return *failed;
        bitmap->has_alpha = dib::has_transparency(*bitmap);
    } else {
        if (auto failed = dib::read_rows(h, palette, pixels, *bitmap)) return *failed;
        if (h.masks[3] != 0) {
            // Many writers declare an alpha mask and leave every alpha 0:
            // such a picture is meant opaque, not invisible.
            if (dib::all_transparent(*bitmap)) dib::make_opaque(*bitmap);
            bitmap->has_alpha = dib::has_transparency(*bitmap);
        }
    }

    Image image;
    image.natural = {h.width, h.height};
    image.pixels = std::move(*bitmap);
    return image;
}

}  // namespace tovalin::picture
