#include "forms/picture_box.h"

#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "forms/runtime_error.h"

namespace tovalin::forms {

namespace {

QColor colour(picture::Rgb c) { return QColor(c.r, c.g, c.b); }

// A frame shown for no time at all would spin the event loop; this is the
// shortest a frame stays up.
constexpr int kShortestFrameMs = 10;

}  // namespace

PictureBox::PictureBox(const PictureBoxSettings& settings, QWidget* parent) : QWidget(parent), settings_(settings) {
    // The box paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &PictureBox::next_frame);
}

void PictureBox::set_picture(std::span<const std::uint8_t> bytes) { set_picture(copy_value(bytes)); }

void PictureBox::set_picture(std::vector<std::uint8_t> bytes) {
    timer_.stop();
    preview_ = {};
    bytes_ = std::move(bytes);
    make_preview();
    update();
}

std::vector<std::uint8_t> PictureBox::picture() const { return copy_value(bytes_); }

void PictureBox::make_preview() {
    timer_.stop();
    frame_ = 0;
    plays_ = 0;
    const int depth = screen() ? screen()->depth() : 32;
    preview_ = preview_in_box(bytes_, settings_.mode, size(), devicePixelRatioF(), settings_.background, depth);
    start_animation();
}

void PictureBox::start_animation() {
    if (!settings_.animate || preview_.frames.size() < 2) return;
    timer_.start(std::max(kShortestFrameMs, preview_.frames[frame_].delay_ms));
}

void PictureBox::next_frame() {
    const auto& frames = preview_.frames;
    if (frames.size() < 2) return;
    if (frame_ + 1 < frames.size()) {
        ++frame_;
    } else {
        // A loop count of n plays the sequence n times and stays on its
        // last frame; 0 plays it for as long as the box shows it.
        ++plays_;
        if (preview_.loop_count > 0 && plays_ >= preview_.loop_count) return;
        frame_ = 0;
    }
    update();
    timer_.start(std::max(kShortestFrameMs, frames[frame_].delay_ms));
}

void PictureBox::paintEvent(QPaintEvent*) {
    // A preview is made for one size and one device pixel ratio; a box
    // moved to a screen of another ratio decodes its picture afresh.
    if (!bytes_.empty() && !preview_.made_for(size(), devicePixelRatioF())) make_preview();

    QPainter painter(this);
    // The same colours whether the box is enabled or not.
    painter.fillRect(rect(), colour(settings_.background));
    if (preview_.empty()) return;
    const QImage& image = preview_.frames.empty() ? preview_.still : preview_.frames[frame_].image;
    draw_preview(painter, preview_, image);
}

}  // namespace tovalin::forms
