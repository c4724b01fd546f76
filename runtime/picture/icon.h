// Which picture of an icon is drawn. An ICO or CUR file holds the same
// picture at several sizes and colour depths.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "picture.h"

namespace tovalin::picture {

struct IconEntry {
    Size size;
    int depth = 0;  // bits per pixel
};

// Without a target, the best entry: the largest, then the deepest; that is
// the icon's own size. With one, the entry that suits drawing at that size:
// the smallest (then deepest) that is at least as large in both directions,
// to be scaled down; else the best, to be scaled up. Ties go to the first.
// `entries` is not empty.
std::size_t choose_icon_entry(std::span<const IconEntry> entries, std::optional<Size> target);

}  // namespace tovalin::picture
