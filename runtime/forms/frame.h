// The frame a window manager will draw around a top-level window, known
// before the window is first shown, so that the window can be given an
// outer size (frame included) from the start instead of being corrected
// once it is on screen.
#pragma once

#include <QMargins>

class QWidget;

namespace tovalin::forms {

// In logical pixels. The window's native window is created if it is not
// yet. No window manager, or one that does not say, is no frame.
QMargins expected_frame_margins(QWidget& window);

}  // namespace tovalin::forms
