#include "forms/preview.h"

#include <QPainter>
#include <cmath>
#include <cstring>

namespace tovalin::forms {

namespace {

using picture::Bitmap;
using picture::Rect;
using picture::Size;

// Logical to device pixels. Places and sizes are rounded separately so
// that at a whole ratio they are exact multiples.
QRect to_device(const Rect& r, qreal dpr) {
    return {static_cast<int>(std::lround(r.x * dpr)), static_cast<int>(std::lround(r.y * dpr)),
            std::max(1, static_cast<int>(std::lround(r.w * dpr))), std::max(1, static_cast<int>(std::lround(r.h * dpr)))};
}

// An opaque bitmap scaled to `size` as a QImage; a null image when the
// scaled copy cannot be had.
QImage to_image(Bitmap&& bitmap, QSize size, picture::Scaling scaling, qreal dpr) {
    const Size want{size.width(), size.height()};
    Bitmap scaled;
    if (bitmap.width == want.width && bitmap.height == want.height) {
        scaled = std::move(bitmap);
    } else {
        auto r = picture::resample(bitmap, want, scaling);
        if (!r) return {};
        scaled = std::move(*r);
    }
    // Opaque 8-bit BGRA is Qt's RGB32 on little-endian machines.
    QImage image(scaled.width, scaled.height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    for (int y = 0; y < scaled.height; ++y)
        std::memcpy(image.scanLine(y), scaled.row(y), scaled.stride());
    image.setDevicePixelRatio(dpr);
    return image;
}

template <class Place>
Preview make(std::span<const std::uint8_t> bytes, QSize area, qreal dpr, picture::Rgb background, int depth,
             Place place) {
    Preview p;
    p.area = area;
    p.device_pixel_ratio = dpr;
    if (bytes.empty() || area.isEmpty()) return p;

    const Size device_area{static_cast<int>(std::ceil(area.width() * dpr)),
                           static_cast<int>(std::ceil(area.height() * dpr))};
    picture::DecodeOptions options;
    options.target = device_area;
    auto decoded = picture::decode(bytes, options);
    if (!decoded) return p;
    picture::Image& image = *decoded;

    // The picture's own size decides where it goes, whatever size the
    // decoder chose to hand back.
    const std::vector<Rect> rects = place(Size{area.width(), area.height()}, image.natural);
    if (rects.empty()) return p;
    const QSize device_size = to_device(rects.front(), dpr).size();
    const auto scaling = picture::scaling_for_depth(depth);

    if (!image.frames.empty()) {
        for (picture::Frame& f : image.frames) {
            picture::flatten(f.image, background);
            QImage frame = to_image(std::move(f.image), device_size, scaling, dpr);
            if (frame.isNull()) return p;
            p.frames.push_back({std::move(frame), f.delay_ms});
        }
        p.still = p.frames.front().image;
        p.loop_count = image.loop_count;
    } else {
        picture::flatten(image.pixels, background);
        p.still = to_image(std::move(image.pixels), device_size, scaling, dpr);
        if (p.still.isNull()) return p;
    }
    for (const Rect& r : rects) p.places.push_back(to_device(r, dpr));
    return p;
}

}  // namespace

Preview preview_in_box(std::span<const std::uint8_t> bytes, picture::BoxMode mode, QSize area, qreal dpr,
                       picture::Rgb background, int depth) {
    return make(bytes, area, dpr, background, depth, [mode](Size a, Size natural) {
        const Rect r = picture::box_rect(mode, a, natural);
        return r.w > 0 && r.h > 0 ? std::vector<Rect>{r} : std::vector<Rect>{};
    });
}

Preview preview_as_background(std::span<const std::uint8_t> bytes, picture::BackgroundMode mode, QSize area,
                              qreal dpr, picture::Rgb background, int depth) {
    return make(bytes, area, dpr, background, depth, [mode](Size a, Size natural) {
        std::vector<Rect> rects = picture::background_rects(mode, a, natural);
        std::erase_if(rects, [](const Rect& r) { return r.w <= 0 || r.h <= 0; });
        return rects;
    });
}

void draw_preview(QPainter& painter, const Preview& preview, const QImage& image) {
    const qreal dpr = preview.device_pixel_ratio;
    for (const QRect& place : preview.places) {
        // At the device place, one image pixel to one device pixel.
        painter.drawImage(QPointF(place.x() / dpr, place.y() / dpr), image);
    }
}

}  // namespace tovalin::forms
