#include <gtest/gtest.h>

#include "picture/draw.h"

using namespace tovalin::picture;

namespace {

TEST(BoxGeometry, CentreReducesKeepsProportionsNeverEnlarges) {
    struct Case {
        const char* name;
        Size area, picture;
        Rect expected;
    };
    const Case cases[] = {
        {"guide picture in a slot", {150, 90}, {964, 529}, {0, 4, 150, 82}},
        {"twice the box fills it", {150, 90}, {300, 180}, {0, 0, 150, 90}},
        {"wide: bands above and below", {150, 90}, {300, 100}, {0, 20, 150, 50}},
        {"small: own size, centred", {150, 90}, {100, 50}, {25, 20, 100, 50}},
        {"same size", {150, 90}, {150, 90}, {0, 0, 150, 90}},
        {"narrow and tall", {150, 90}, {100, 180}, {50, 0, 50, 90}},
        // The rule centres the reduced picture within the picture's own width
        // when only its height is too large: 73, not 75.
        {"tall only, narrower than the box", {150, 90}, {40, 900}, {73, 0, 4, 90}},
        {"odd band halves down", {150, 90}, {149, 89}, {0, 0, 149, 89}},
        {"one pixel", {150, 90}, {1, 1}, {74, 44, 1, 1}},
        {"sliver wider than the box", {150, 90}, {3000, 1}, {0, 44, 150, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(box_rect(BoxMode::Centre, c.area, c.picture), c.expected);
    }
}

TEST(BoxGeometry, TopLeftAndStretch) {
    EXPECT_EQ(box_rect(BoxMode::TopLeft, {150, 90}, {300, 20}), (Rect{0, 0, 300, 20}));
    EXPECT_EQ(box_rect(BoxMode::Stretch, {150, 90}, {7, 3}), (Rect{0, 0, 150, 90}));
    EXPECT_EQ(box_rect(BoxMode::Centre, {150, 90}, {0, 0}), Rect{});
}

TEST(BackgroundGeometry, FourModes) {
    EXPECT_EQ(background_rects(BackgroundMode::TopLeft, {100, 50}, {30, 20}), (std::vector<Rect>{{0, 0, 30, 20}}));
    EXPECT_EQ(background_rects(BackgroundMode::Stretch, {100, 50}, {30, 20}), (std::vector<Rect>{{0, 0, 100, 50}}));
    EXPECT_EQ(background_rects(BackgroundMode::Centre, {948, 490}, {964, 529}),
              (std::vector<Rect>{{28, 0, 892, 490}}));
    const auto tiles = background_rects(BackgroundMode::Tile, {70, 45}, {30, 20});
    ASSERT_EQ(tiles.size(), 9u);  // 3 across, 3 down, the last ones cut by the edges
    EXPECT_EQ(tiles.front(), (Rect{0, 0, 30, 20}));
    EXPECT_EQ(tiles.back(), (Rect{60, 40, 30, 20}));
}

TEST(Flatten, ExactBytesOverTwoBackgrounds) {
    struct Case {
        std::uint8_t c, a, b, expected;
    };
    // trunc(a/255 * c + (1 - a/255) * b)
    const Case cases[] = {
        {200, 0, 128, 128},   {200, 255, 128, 200}, {200, 128, 128, 164}, {0, 128, 255, 127},
        {255, 128, 0, 128},   {255, 1, 255, 255},   {10, 254, 250, 10},   {100, 128, 160, 129},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.c) << " a=" << int(c.a) << " over " << int(c.b));
        EXPECT_EQ(flatten_channel(c.c, c.a, c.b), c.expected);
    }

    Bitmap px;
    px.width = 3, px.height = 1, px.has_alpha = true;
    px.bgra = {10, 20, 30, 0, 10, 20, 30, 128, 10, 20, 30, 255};  // B G R A
    Bitmap over_white = px, over_slot = px;
    flatten(over_white, {255, 255, 255});
    flatten(over_slot, {128, 160, 128});
    EXPECT_EQ(over_white.bgra, (std::vector<std::uint8_t>{255, 255, 255, 255, 132, 137, 142, 255, 10, 20, 30, 255}));
    EXPECT_EQ(over_slot.bgra, (std::vector<std::uint8_t>{128, 160, 128, 255, 68, 89, 78, 255, 10, 20, 30, 255}));
    EXPECT_FALSE(over_white.has_alpha);
}

TEST(Scaling, ByScreenDepth) {
    EXPECT_EQ(scaling_for_depth(32), Scaling::Smooth);
    EXPECT_EQ(scaling_for_depth(24), Scaling::Smooth);
    EXPECT_EQ(scaling_for_depth(16), Scaling::Nearest);
    EXPECT_EQ(scaling_for_depth(8), Scaling::Nearest);
}

Bitmap checker(int w, int h) {
    Bitmap b;
    b.width = w, b.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t v = (x + y) % 2 ? 255 : 0;
            b.bgra.insert(b.bgra.end(), {v, v, v, 255});
        }
    return b;
}

TEST(Resample, SmoothAveragesNearestDropsPixels) {
    const Bitmap src = checker(8, 6);
    auto smooth = resample(src, {4, 3}, Scaling::Smooth);
    ASSERT_TRUE(smooth);
    for (std::size_t i = 0; i < smooth->bgra.size(); i += 4) {
        EXPECT_NEAR(smooth->bgra[i], 128, 1);
        EXPECT_EQ(smooth->bgra[i + 3], 255);
    }
    auto nearest = resample(src, {4, 3}, Scaling::Nearest);
    ASSERT_TRUE(nearest);
    for (std::uint8_t v : nearest->bgra) EXPECT_TRUE(v == 0 || v == 255);

    // A flat colour stays exactly that colour at any size, up or down.
    Bitmap flat;
    flat.width = 7, flat.height = 5;
    for (int i = 0; i < 35; ++i) flat.bgra.insert(flat.bgra.end(), {12, 200, 77, 255});
    for (Size s : {Size{3, 2}, Size{7, 5}, Size{50, 9}, Size{1, 1}}) {
        auto r = resample(flat, s, Scaling::Smooth);
        ASSERT_TRUE(r);
        for (std::size_t i = 0; i < r->bgra.size(); i += 4)
            ASSERT_EQ((std::vector<std::uint8_t>(r->bgra.begin() + i, r->bgra.begin() + i + 4)),
                      (std::vector<std::uint8_t>{12, 200, 77, 255}));
    }
}

}  // namespace
