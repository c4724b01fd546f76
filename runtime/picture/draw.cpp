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

// The source pixels that each output pixel covers along one axis: output
// pixel i takes `taps(i)` pixels from `first[i]` on, with weights in 1/65536
// that add up to exactly 65536. The weights of all pixels lie in one array.
struct Spans {
    std::vector<int> first;
    std::vector<std::size_t> begin;  // into weights; one more entry than outputs
    std::vector<std::uint32_t> weights;

    int taps(std::size_t i) const { return static_cast<int>(begin[i + 1] - begin[i]); }
};

Spans area_spans(int from, int to) {
    Spans spans;
    spans.first.resize(static_cast<std::size_t>(to));
    spans.begin.reserve(static_cast<std::size_t>(to) + 1);
    spans.weights.reserve(static_cast<std::size_t>(to) * (static_cast<std::size_t>(from / to) + 2));
    const double scale = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double begin = i * scale, end = std::min<double>(from, (i + 1) * scale);
        const int first = std::min(from - 1, static_cast<int>(begin));
        const int last = std::max(first, std::min(from - 1, static_cast<int>(std::ceil(end)) - 1));
        spans.first[static_cast<std::size_t>(i)] = first;
        spans.begin.push_back(spans.weights.size());
        std::uint32_t total = 0;
        for (int j = first; j <= last; ++j) {
            const double overlap = std::min<double>(end, j + 1) - std::max<double>(begin, j);
            const auto w = static_cast<std::uint32_t>(std::max(0.0, overlap / (end - begin)) * 65536.0 + 0.5);
            spans.weights.push_back(w);
            total += w;
        }
        // Give the rounding remainder to the largest weight.
        auto big = std::max_element(spans.weights.begin() + static_cast<std::ptrdiff_t>(spans.begin.back()),
                                    spans.weights.end());
        *big = *big + 65536 - total;
    }
    spans.begin.push_back(spans.weights.size());
    return spans;
}

std::uint8_t rounded(std::uint32_t acc) { return static_cast<std::uint8_t>(std::min<std::uint32_t>(255, acc >> 16)); }

// One row of pixels reduced or widened along x.
void area_row(const std::uint8_t* in, std::uint8_t* out, const Spans& spans) {
    const std::uint32_t* w = spans.weights.data();
    const std::size_t to = spans.first.size();
    for (std::size_t i = 0; i < to; ++i, out += 4) {
        std::uint32_t acc[4] = {32768, 32768, 32768, 32768};
        const std::uint8_t* p = in + static_cast<std::size_t>(spans.first[i]) * 4;
        for (const std::uint32_t* end = spans.weights.data() + spans.begin[i + 1]; w != end; ++w, p += 4)
            for (int c = 0; c < 4; ++c) acc[c] += p[c] * *w;
        for (int c = 0; c < 4; ++c) out[c] = rounded(acc[c]);
    }
}

// Area averaging, down the columns first and then along the rows, each
// pass rounded to 8 bits. Each output row is made from its source rows at
// once, the sums running along whole rows, which vectorises; the pass along
// a row, which does not, then runs only over the output's rows.
std::optional<Error> area_resample(const Bitmap& src, Bitmap& out) {
    const Spans across = area_spans(src.width, out.width);
    const Spans down = area_spans(src.height, out.height);
    const std::size_t line = src.stride();
    std::vector<std::uint32_t> acc;
    std::vector<std::uint8_t> column;  // one row of the source reduced down the columns
    try {
        acc.resize(line);
        column.resize(line);
    } catch (const std::bad_alloc&) {
        return Error::OutOfMemory;
    }
    for (int y = 0; y < out.height; ++y) {
        const auto i = static_cast<std::size_t>(y);
        const int first = down.first[i], taps = down.taps(i);
        const std::uint32_t* w = down.weights.data() + down.begin[i];
        const std::uint8_t* in = src.row(first);
        for (std::size_t x = 0; x < line; ++x) acc[x] = 32768u + in[x] * w[0];
        for (int t = 1; t < taps; ++t) {
            in = src.row(first + t);
            for (std::size_t x = 0; x < line; ++x) acc[x] += in[x] * w[t];
        }
        for (std::size_t x = 0; x < line; ++x) column[x] = rounded(acc[x]);
        area_row(column.data(), out.row(y), across);
    }
    return std::nullopt;
}

}  // namespace

Result<Bitmap> resample(const Bitmap& src, Size size, Scaling scaling, const Limits& limits) {
    if (src.empty() || size.width <= 0 || size.height <= 0) return Error::BadHeader;
    auto out = allocate_bitmap(size.width, size.height, limits, nullptr, Fill::Uninitialised);
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
    if (auto failed = area_resample(src, *out)) return *failed;
    return out;
}

}  // namespace tovalin::picture
