#include "draw.h"

#include <algorithm>
#include <cmath>

#include "bitmap_alloc.h"

namespace tovalin::picture {

std::uint8_t flatten_channel(std::uint8_t c, std::uint8_t a, std::uint8_t b) {
    const double f = a / 255.0;
    const double v = std::trunc(f * c + (1.0 - f) * b);
    return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
}

void flatten(Bitmap& bitmap, Rgb bg) {
    if (bitmap.has_alpha) {
        for (std::size_t i = 0; i + 3 < bitmap.bgra.size(); i += 4) {
            std::uint8_t* p = &bitmap.bgra[i];
            if (p[3] == 255) continue;
            p[0] = flatten_channel(p[0], p[3], bg.b);
            p[1] = flatten_channel(p[1], p[3], bg.g);
            p[2] = flatten_channel(p[2], p[3], bg.r);
            p[3] = 255;
        }
    }
    bitmap.has_alpha = false;
}

namespace {

// Centre: shrink to fit, proportions kept, never enlarged; halving is
// integer division, the scale is floating point, sizes are truncated.
Rect centred(Size area, Size pic) {
    const int cw = area.width, ch = area.height, pw = pic.width, ph = pic.height;
    Rect r;
    int fit_w = cw, fit_h = ch;
    if (pw <= cw) r.x = (cw - pw) / 2, fit_w = pw;
    if (ph <= ch) r.y = (ch - ph) / 2, fit_h = ph;
    if (pw > cw || ph > ch) {
        const double s = std::min(static_cast<double>(fit_w) / pw, static_cast<double>(fit_h) / ph);
        r.w = static_cast<int>(pw * s);
        r.h = static_cast<int>(ph * s);
        r.x += (fit_w - r.w) / 2;
        r.y += (fit_h - r.h) / 2;
    } else {
        r.w = pw;
        r.h = ph;
    }
    return r;
}

}  // namespace

Rect box_rect(BoxMode mode, Size area, Size pic) {
    if (pic.width <= 0 || pic.height <= 0) return {};
    switch (mode) {
        case BoxMode::TopLeft: return {0, 0, pic.width, pic.height};
        case BoxMode::Stretch: return {0, 0, area.width, area.height};
        case BoxMode::Centre: return centred(area, pic);
    }
    return {};
}

std::vector<Rect> background_rects(BackgroundMode mode, Size area, Size pic) {
    if (pic.width <= 0 || pic.height <= 0) return {};
    switch (mode) {
        case BackgroundMode::TopLeft: return {{0, 0, pic.width, pic.height}};
        case BackgroundMode::Stretch: return {{0, 0, area.width, area.height}};
        case BackgroundMode::Centre: return {centred(area, pic)};
        case BackgroundMode::Tile: {
            std::vector<Rect> tiles;
            for (int y = 0; y < area.height; y += pic.height)
                for (int x = 0; x < area.width; x += pic.width) tiles.push_back({x, y, pic.width, pic.height});
            return tiles;
        }
    }
    return {};
}

Scaling scaling_for_depth(int bits_per_pixel) { return bits_per_pixel > 16 ? Scaling::Smooth : Scaling::Nearest; }

namespace {

// The source pixels that one output pixel covers along one axis, with
// weights in 1/65536 that add up to exactly 65536.
struct Span {
    int first = 0;
    std::vector<std::uint32_t> weights;
};

std::vector<Span> area_spans(int from, int to) {
    std::vector<Span> spans(static_cast<std::size_t>(to));
    const double scale = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double begin = i * scale, end = std::min<double>(from, (i + 1) * scale);
        const int first = std::min(from - 1, static_cast<int>(begin));
        const int last = std::max(first, std::min(from - 1, static_cast<int>(std::ceil(end)) - 1));
        Span& s = spans[static_cast<std::size_t>(i)];
        s.first = first;
        std::uint32_t total = 0;
        for (int j = first; j <= last; ++j) {
            const double overlap = std::min<double>(end, j + 1) - std::max<double>(begin, j);
            const auto w = static_cast<std::uint32_t>(std::max(0.0, overlap / (end - begin)) * 65536.0 + 0.5);
            s.weights.push_back(w);
            total += w;
        }
        // Give the rounding remainder to the largest weight.
        auto big = std::max_element(s.weights.begin(), s.weights.end());
        *big = *big + 65536 - total;
    }
    return spans;
}

// One separable pass: `lines` lines of `from` pixels each become lines of
// `to` pixels. Pixels are `pitch` bytes apart within a line and lines
// `line_pitch` apart, so the same code runs along rows and along columns.
void area_pass(const std::uint8_t* src, std::size_t src_pitch, std::size_t src_line, std::uint8_t* dst,
               std::size_t dst_pitch, std::size_t dst_line, int lines, int from, int to) {
    const auto spans = area_spans(from, to);
    for (int l = 0; l < lines; ++l) {
        const std::uint8_t* in = src + static_cast<std::size_t>(l) * src_line;
        std::uint8_t* out = dst + static_cast<std::size_t>(l) * dst_line;
        for (int i = 0; i < to; ++i) {
            const Span& s = spans[static_cast<std::size_t>(i)];
            std::uint32_t acc[4] = {32768, 32768, 32768, 32768};
            const std::uint8_t* p = in + static_cast<std::size_t>(s.first) * src_pitch;
            for (std::uint32_t w : s.weights) {
                for (int c = 0; c < 4; ++c) acc[c] += p[c] * w;
                p += src_pitch;
            }
            std::uint8_t* q = out + static_cast<std::size_t>(i) * dst_pitch;
            for (int c = 0; c < 4; ++c) q[c] = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, acc[c] >> 16));
        }
    }
}

}  // namespace

Result<Bitmap> resample(const Bitmap& src, Size size, Scaling scaling, const Limits& limits) {
    if (src.empty() || size.width <= 0 || size.height <= 0) return Error::BadHeader;
    auto out = allocate_bitmap(size.width, size.height, limits);
    if (!out) return out.error();
    out->has_alpha = src.has_alpha;
    if (scaling == Scaling::Nearest) {
        for (int y = 0; y < size.height; ++y) {
            const auto sy = static_cast<int>(static_cast<std::int64_t>(y) * src.height / size.height);
            const std::uint8_t* in = src.row(sy);
            std::uint8_t* o = out->row(y);
            for (int x = 0; x < size.width; ++x) {
                const auto sx = static_cast<std::size_t>(static_cast<std::int64_t>(x) * src.width / size.width);
                std::copy_n(in + sx * 4, 4, o + static_cast<std::size_t>(x) * 4);
            }
        }
        return out;
    }
    // Rows first: the intermediate is as narrow as the result.
    auto mid = allocate_bitmap(size.width, src.height, limits);
    if (!mid) return mid.error();
    area_pass(src.bgra.data(), 4, src.stride(), mid->bgra.data(), 4, mid->stride(), src.height, src.width, size.width);
    area_pass(mid->bgra.data(), mid->stride(), 4, out->bgra.data(), out->stride(), 4, size.width, src.height,
              size.height);
    return out;
}

}  // namespace tovalin::picture
