// Picture boxes read back pixel by pixel: where a picture lands in the
// 150 x 90 box, what its pixels become, and what shows without one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <functional>

#include "fixture.h"
#include "forms/picture_box.h"
#include "support/magick.h"

namespace tovalin::test {
namespace {

constexpr QRgb kSlot = qRgb(128, 160, 128);

// Colours that differ from block to block and from the slot colour.
QRgb colour_at(int x, int y) { return qRgb(40 + (x * 7) % 200, 20 + (y * 13) % 200, 200 - (x + y) % 150); }

// A picture made of 2 x 2 blocks of one colour each: halved by any fair
// scaling, each block becomes one pixel of exactly its colour.
QImage blocks(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, colour_at(x / 2, y / 2));
    return image;
}

QImage pixels(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, colour_at(x, y));
    return image;
}

class PictureBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime().load("MainWindow"));
        window = runtime().window("MainWindow");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        box = window->control<forms::PictureBox>("图片框5");
        ASSERT_NE(box, nullptr);
    }
    void TearDown() override { delete window.data(); }

    QPointer<forms::Window> window;
    forms::PictureBox* box = nullptr;
};

struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    QRect where;                         // in the box
    std::function<QRgb(int, int)> inside;  // the colour at a place within `where`
};

TEST_F(PictureBoxTest, PicturesLandWhereTheDisplayRulesPutThem) {
    const std::vector<Case> cases{
        {"300 x 180 fills the box", png_bytes(blocks(300, 180)), {0, 0, 150, 90}, colour_at},
        {"300 x 100 is halved, with bands of 20 above and below", png_bytes(blocks(300, 100)), {0, 20, 150, 50},
         colour_at},
        {"100 x 50 keeps its own size in the middle", png_bytes(pixels(100, 50)), {25, 20, 100, 50}, colour_at},
        {"transparency shows the slot colour through",
         png_bytes([] {
             QImage i(100, 50, QImage::Format_ARGB32);
             i.fill(qRgba(255, 255, 255, 128));
             return i;
         }()),
         {25, 20, 100, 50},
         // trunc(a/255 * 255 + (1 - a/255) * b) with a = 128, over (128, 160, 128)
         [](int, int) { return qRgb(191, 207, 191); }},
        {"no picture", {}, {}, nullptr},
        {"seven bytes", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}, {}, nullptr},
        {"a text file", {'h', 'e', 'l', 'l', 'o', '\n', 'w', 'o', 'r', 'l', 'd', '\n'}, {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box->set_picture(c.bytes);
        EXPECT_EQ(box->picture(), c.bytes);
        const QImage shot = rendered(*box);
        ASSERT_EQ(shot.size(), QSize(150, 90));
        int wrong = 0;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 150; ++x) {
                const QRgb want = c.where.contains(x, y) ? c.inside(x - c.where.x(), y - c.where.y()) : kSlot;
                if (shot.pixel(x, y) != want && wrong++ < 5)
                    ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << shot.pixel(x, y) << " not "
                                  << want;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(PictureBoxTest, ADisabledBoxPaintsLikeAnEnabledOne) {
    box->set_picture(png_bytes(pixels(120, 60)));
    const QImage enabled = rendered(*box);
    window->set_disabled("图片框5", true);
    EXPECT_EQ(rendered(*box), enabled);
}

TEST_F(PictureBoxTest, OnlyAPreviewOfTheBoxSizeIsKept) {
    const std::vector<std::uint8_t> photo = png_bytes(blocks(1600, 1200));
    box->set_picture(photo);
    // 1600 x 1200 in 150 x 90 is drawn 120 x 90.
    EXPECT_EQ(box->preview().still.size(), QSize(120, 90));
    ASSERT_EQ(box->preview().places.size(), 1u);
    EXPECT_EQ(box->preview().places.front(), QRect(15, 0, 120, 90));
    EXPECT_EQ(box->picture(), photo);
}

TEST_F(PictureBoxTest, AnimationsPlayAsOftenAsTheirLoopCountSays) {
    TempDir dir;
    // Red, then blue, a tenth of a second each; -loop 1 asks for one repeat.
    const auto twice = make_with_convert("-delay 10 -size 30x20 xc:red xc:blue -loop 1", dir / "twice.gif");
    box->set_picture(twice);
    ASSERT_EQ(box->preview().frames.size(), 2u);
    EXPECT_EQ(box->frame(), 0u);
    EXPECT_EQ(rendered(*box).pixel(75, 45), qRgb(255, 0, 0));
    EXPECT_TRUE(box->animating());
    // Played through twice, it rests on its last frame.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !box->animating(); }, 60'000));
    EXPECT_EQ(box->frame(), 1u);
    EXPECT_EQ(rendered(*box).pixel(75, 45), qRgb(0, 0, 255));

    const auto endless = make_with_convert("-delay 10 -size 30x20 xc:red xc:blue -loop 0", dir / "forever.gif");
    box->set_picture(endless);
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->frame() == 1; }, 60'000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->frame() == 0; }, 60'000));
    EXPECT_TRUE(box->animating());

    // A still picture replaces the animation and stops it.
    box->set_picture(png_bytes(pixels(30, 20)));
    EXPECT_FALSE(box->animating());
}

// Registered to run with QT_SCALE_FACTOR=2.
TEST_F(PictureBoxTest, HiDpiPreviewIsMadeAtDeviceResolution) {
    ASSERT_EQ(box->devicePixelRatioF(), 2.0) << "this test runs with QT_SCALE_FACTOR=2";
    // One-pixel detail that a 150 x 90 preview scaled up could not keep.
    box->set_picture(png_bytes(pixels(300, 180)));
    const QImage shot = rendered(*box);
    ASSERT_EQ(shot.size(), QSize(300, 180));
    int wrong = 0;
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < 300; ++x) wrong += shot.pixel(x, y) != colour_at(x, y);
    EXPECT_EQ(wrong, 0);

    // A small picture keeps its logical size: 100 x 50 covers 200 x 100
    // device pixels in the middle.
    box->set_picture(png_bytes(pixels(100, 50)));
    const QImage small = rendered(*box);
    EXPECT_EQ(small.pixel(49, 39), kSlot);
    EXPECT_NE(small.pixel(50, 40), kSlot);
    EXPECT_NE(small.pixel(249, 139), kSlot);
    EXPECT_EQ(small.pixel(250, 140), kSlot);
}

}  // namespace
}  // namespace tovalin::test
