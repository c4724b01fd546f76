// ICO and CUR: a directory of entries, each the same picture at one size and
// depth, held as a PNG file or as a device-independent bitmap (dib.h) of
// twice its height: the colour rows, then a 1-bit mask whose set bits are
// transparent. A CUR file differs in its type field and in keeping a hotspot
// where an ICO keeps planes and bits; the hotspot plays no part in drawing.
#include "icon.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "bitmap_alloc.h"
#include "byte_reader.h"
#include "checked.h"
#include "decoders.h"
#include "dib.h"

namespace tovalin::picture {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// What an entry's own header says. The directory's size and depth bytes are
// not trusted: they are often wrong (0 stands for 256 and more), and the
// header is what the pixels are.
struct Entry {
    Bytes bytes;
    bool png = false;
    IconEntry info;
    dib::Header dib;  // of a bitmap entry, with the height of its colour rows
};

std::optional<Error> probe_png(Entry& e) {
    ByteReader r(e.bytes);
    r.skip(8);
    const std::uint32_t length = r.u32be(), type = r.u32be();
    const std::uint32_t width = r.u32be(), height = r.u32be();
    const std::uint8_t bits = r.u8(), colour = r.u8();
    if (!r.ok()) return Error::Truncated;
    if (length != 13 || type != 0x49484452 /* IHDR */ || width == 0 || height == 0 || width > 0x7fffffff ||
        height > 0x7fffffff)
        return Error::BadHeader;
    int channels = 0;
    switch (colour) {
        case 0:
        case 3: channels = 1; break;
        case 2: channels = 3; break;
        case 4: channels = 2; break;
        case 6: channels = 4; break;
        default: return Error::BadHeader;
    }
    if (bits == 0 || bits > 16 || (bits & (bits - 1)) != 0) return Error::BadHeader;
    e.info = {{static_cast<int>(width), static_cast<int>(height)}, bits * channels};
    return std::nullopt;
}

std::optional<Error> probe_bitmap(Entry& e) {
    auto header = dib::read_header(e.bytes);
    if (!header) return header.error();
    e.dib = *header;
    // Colour rows and mask rows, both from the bottom.
    if (e.dib.top_down || e.dib.height % 2 != 0) return Error::BadHeader;
    if (e.dib.compression == dib::Compression::Rle8 || e.dib.compression == dib::Compression::Rle4)
        return Error::Unsupported;
    e.dib.height /= 2;
    // A plain 32-bit icon keeps alpha in the fourth byte.
    if (e.dib.bits == 32 && e.dib.compression == dib::Compression::Rgb) e.dib.masks[3] = 0xFF000000;
    e.info = {{e.dib.width, e.dib.height}, e.dib.bits};
    return std::nullopt;
}

Result<Bitmap> decode_bitmap(const Entry& e, const Limits& limits) {
    const dib::Header& h = e.dib;
    const Bytes bytes = e.bytes;
    // The palette holds as many entries as declared, or as the bits index;
    // the colour rows follow it.
    const std::size_t stored = h.colours_used ? h.colours_used : dib::palette_colours(h);
    const auto palette_bytes = checked::mul(stored, h.palette_entry);
    const auto rows_at = palette_bytes ? checked::add(h.end, *palette_bytes) : std::nullopt;
    const auto rows = dib::rows_size(h);
    const auto rows_needed = dib::rows_needed(h);
    if (!rows_at || !rows || !rows_needed || !checked::fits(*rows_at, *rows_needed, bytes.size()))
        return Error::Truncated;
    const dib::Palette palette =
        dib::read_palette(bytes.subspan(h.end), dib::palette_colours(h), h.palette_entry);

    // The mask: one bit a pixel, rows padded to 4 bytes, after the colour rows.
    const std::size_t mask_stride = (static_cast<std::size_t>(h.width) + 31) / 32 * 4;
    const std::size_t mask_at = *rows_at + *rows;
    const bool mask_present = checked::fits(mask_at, mask_stride * static_cast<std::size_t>(h.height), bytes.size());
    const bool may_have_alpha = h.masks[3] != 0;
    if (!mask_present && !may_have_alpha) return Error::Truncated;

    auto bitmap = allocate_bitmap(h.width, h.height, limits);
    if (!bitmap) return bitmap.error();
    if (auto failed = dib::read_rows(h, palette, bytes.subspan(*rows_at), *bitmap)) return *failed;

    // Pixels with alpha need no mask, and some writers leave it out. Old
    // 32-bit icons leave every alpha 0 and rely on the mask instead.
    if (!may_have_alpha || dib::all_transparent(*bitmap)) {
        if (!mask_present) return Error::Truncated;
        // A set bit over a coloured pixel inverts the screen where Windows
        // draws it; a picture on paper has no screen to invert, so it is
        // transparent like the rest.
        for (int i = 0; i < h.height; ++i) {
            const std::uint8_t* bits = bytes.data() + mask_at + static_cast<std::size_t>(i) * mask_stride;
            std::uint8_t* row = bitmap->row(h.height - 1 - i);
            for (int x = 0; x < h.width; ++x) row[4 * x + 3] = (bits[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255;
        }
    }
    bitmap->has_alpha = dib::has_transparency(*bitmap);
    return bitmap;
}

}  // namespace

std::size_t choose_icon_entry(std::span<const IconEntry> entries, std::optional<Size> target) {
    const auto area = [](const IconEntry& e) {
        return static_cast<std::uint64_t>(e.size.width) * static_cast<std::uint64_t>(e.size.height);
    };
    std::size_t best = 0;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const IconEntry &e = entries[i], &b = entries[best];
        if (area(e) > area(b) || (area(e) == area(b) && e.depth > b.depth)) best = i;
    }
    if (!target) return best;
    std::optional<std::size_t> fit;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const IconEntry& e = entries[i];
        if (e.size.width < target->width || e.size.height < target->height) continue;
        if (!fit || area(e) < area(entries[*fit]) || (area(e) == area(entries[*fit]) && e.depth > entries[*fit].depth))
            fit = i;
    }
    return fit.value_or(best);
}

Result<Image> decode_icon(Bytes data, const DecodeOptions& options) {
    ByteReader r(data);
    const std::uint16_t reserved = r.u16le(), type = r.u16le(), count = r.u16le();
    if (!r.ok()) return Error::Truncated;
    if (reserved != 0 || (type != 1 && type != 2) || count == 0) return Error::BadHeader;
    const std::size_t directory_end = 6 + 16 * std::size_t{count};
    if (data.size() < directory_end) return Error::Truncated;

    std::vector<Entry> entries;
    entries.reserve(count);
    std::optional<Error> skipped;
    for (std::uint16_t i = 0; i < count; ++i) {
        r.skip(8);  // size, colours, planes and bits (hotspot in a CUR): see Entry
        const std::uint32_t size = r.u32le(), offset = r.u32le();
        // An entry lies after the directory, and inside the file; one whose
        // end passes 4 GiB is no file at all, only a wrapped sum.
        if (size == 0 || offset < directory_end || std::uint64_t{offset} + size > 0xFFFFFFFFu)
            return Error::BadHeader;
        if (!checked::fits(offset, size, data.size())) return Error::Truncated;

        Entry e;
        e.bytes = data.subspan(offset, size);
        e.png = e.bytes.size() >= 8 && std::memcmp(e.bytes.data(), kPngSignature, 8) == 0;
        if (auto failed = e.png ? probe_png(e) : probe_bitmap(e)) {
            // A kind of entry this decoder does not know is left out: the
            // others are the same picture. A broken one spoils the file.
            if (*failed != Error::Unsupported) return *failed;
            skipped = failed;
            continue;
        }
        const Size s = e.info.size;
        if (auto refused = check_dimensions(static_cast<std::uint64_t>(s.width), static_cast<std::uint64_t>(s.height),
                                            options.limits))
            return *refused;
        entries.push_back(e);
    }
    if (entries.empty()) return *skipped;

    std::vector<IconEntry> infos;
    infos.reserve(entries.size());
    for (const Entry& e : entries) infos.push_back(e.info);
    const Entry& best = entries[choose_icon_entry(infos, std::nullopt)];
    const Entry& chosen = entries[choose_icon_entry(infos, options.target)];

    Image image;
    image.natural = best.info.size;
    if (chosen.png) {
        // The target chose the entry; its pixels are the entry's own, as
        // the bitmap entries' are, not reduced further.
        DecodeOptions whole;
        whole.limits = options.limits;
        auto png = decode_png(chosen.bytes, whole);
        if (!png) return png.error();
        if (png->natural != chosen.info.size) return Error::BadData;
        image.pixels = std::move(png->pixels);
    } else {
        auto bitmap = decode_bitmap(chosen, options.limits);
        if (!bitmap) return bitmap.error();
        image.pixels = std::move(*bitmap);
    }
    return image;
}

}  // namespace tovalin::picture
