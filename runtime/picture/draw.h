// The drawing rules of pictures, as plain arithmetic: transparency over a
// background colour, where a picture lands in a box or a window, and which
// kind of scaling the screen calls for. The Qt layer only carries them out.
#pragma once

#include <vector>

#include "picture.h"

namespace tovalin::picture {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    friend bool operator==(Rect, Rect) = default;
};

// One channel c of a pixel with alpha a over the background's channel b:
// trunc(a/255 * c + (1 - a/255) * b), clamped to 0..255.
std::uint8_t flatten_channel(std::uint8_t c, std::uint8_t a, std::uint8_t b);

// Every pixel with alpha below 255 is flattened onto the background; the
// result is opaque.
void flatten(Bitmap& bitmap, Rgb background);

// Display modes of a picture box.
enum class BoxMode { TopLeft = 0, Stretch = 1, Centre = 2 };
// Display modes of a window's background picture.
enum class BackgroundMode { TopLeft = 0, Tile = 1, Centre = 2, Stretch = 3 };

// Where a picture of the given size is drawn in an area (client
// coordinates). Centre reduces with proportions kept and never enlarges.
Rect box_rect(BoxMode mode, Size area, Size picture);

// Every rectangle a background picture is drawn into (several when tiled).
std::vector<Rect> background_rects(BackgroundMode mode, Size area, Size picture);

// Smooth (area-averaging) scaling on screens of more than 16 bits per
// pixel, dropping pixels on the others. Printing follows the screen.
enum class Scaling { Smooth, Nearest };
Scaling scaling_for_depth(int bits_per_pixel);

// The bitmap scaled to exactly `size`.
Result<Bitmap> resample(const Bitmap& source, Size size, Scaling scaling, const Limits& limits = {});

}  // namespace tovalin::picture
