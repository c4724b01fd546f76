// A picture box: a fill of its background colour and, over it, the picture
// value written to it, shown by its display mode. The value is kept as the
// bytes that were written; what is drawn comes from a preview made for the
// box's size (see preview.h).
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <span>
#include <vector>

#include "forms/layout.h"
#include "forms/preview.h"

namespace tovalin::forms {

class PictureBox : public QWidget {
    Q_OBJECT

public:
    PictureBox(const PictureBoxSettings& settings, QWidget* parent);

    // Stores the bytes unchanged and decodes them once for the box. Empty
    // bytes empty the box; bytes that do not decode show as the background.
    void set_picture(std::span<const std::uint8_t> bytes);
    void set_picture(std::vector<std::uint8_t> bytes);
    // A copy of the stored bytes, empty when there is no picture.
    std::vector<std::uint8_t> picture() const;
    bool has_picture() const { return !bytes_.empty(); }

    const PictureBoxSettings& settings() const { return settings_; }
    // What is drawn now; for tests and benchmarks.
    const Preview& preview() const { return preview_; }
    std::size_t frame() const { return frame_; }
    bool animating() const { return timer_.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void make_preview();
    void start_animation();
    void next_frame();

    PictureBoxSettings settings_;
    std::vector<std::uint8_t> bytes_;
    Preview preview_;
    // The animation: the frame on show and how many times the whole
    // sequence has played.
    QTimer timer_;
    std::size_t frame_ = 0;
    int plays_ = 0;
};

}  // namespace tovalin::forms
