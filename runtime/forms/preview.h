// A picture value made ready to be drawn in an area: decoded once for the
// area's size in device pixels, flattened onto the background colour,
// placed by the display rules, scaled to the device size of its place, and
// the decoded picture dropped. Only the preview stays in memory: a
// 12-megapixel photo in a 150 x 90 box keeps about 54 kB, not 48 MB.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <span>
#include <vector>

#include "picture/draw.h"

class QPainter;

namespace tovalin::forms {

struct Preview {
    struct Frame {
        QImage image;
        int delay_ms = 0;
    };
    // Device pixels, with the device pixel ratio set, so that drawing at a
    // logical place copies them one to one.
    QImage still;
    std::vector<Frame> frames;  // an animation; empty for a still picture
    int loop_count = 0;         // 0: forever
    // Where the image goes, in device pixels of the area; several places
    // when the picture is tiled.
    std::vector<QRect> places;
    // What the preview was made for; another size or ratio calls for a new one.
    QSize area;
    qreal device_pixel_ratio = 0;

    bool empty() const { return places.empty(); }
    bool made_for(QSize size, qreal dpr) const { return area == size && device_pixel_ratio == dpr; }
};

// `area` is in logical pixels; `depth` is the screen's bits per pixel,
// which chooses the scaling. Bytes that do not decode give an empty preview.
Preview preview_in_box(std::span<const std::uint8_t> bytes, picture::BoxMode mode, QSize area, qreal dpr,
                       picture::Rgb background, int depth);
Preview preview_as_background(std::span<const std::uint8_t> bytes, picture::BackgroundMode mode, QSize area,
                              qreal dpr, picture::Rgb background, int depth);

// Draws one image of a preview at every one of its places.
void draw_preview(QPainter& painter, const Preview& preview, const QImage& image);

}  // namespace tovalin::forms
