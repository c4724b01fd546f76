// The widget tests run one forms runtime per process (Qt allows one
// application object), started by main() with a window set of the
// program's three windows and a few small windows that exercise the runtime on their own.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <string>
#include <vector>

#include "forms/runtime.h"
#include "forms/window.h"

namespace tovalin::test {

forms::Runtime& runtime();

// What the test windows' handlers saw, in order.
struct Log {
    std::vector<std::string> entries;
    int probe_created = 0;
    int dialog_created = 0;
    int probe_clicks = 0;
    // Filled in by Probe's created handler.
    bool all_controls_existed = false;
    bool window_was_hidden = false;
    bool controls_were_shown = false;
};
Log& log();

// Test windows: "Probe" (a button that opens "Dialog" modally, a button
// that only counts, a picture box, a drop target), "Dialog" (modal, empty),
// "Other" (empty), "Backdrop" (a background picture), "Broken" (a table
// that breaks a rule).

// Runs the runtime's loop; a loop still running after a minute is a
// failure, ended so that the other tests still run.
void run_guarded();

// A left click in the middle of a widget, delivered as the window system
// delivers one: to its window, where modality and disabled widgets apply.
void click(QWidget* widget);

// The bytes of an image as a PNG file, made by Qt's own encoder.
std::vector<std::uint8_t> png_bytes(const QImage& image);

// The widget as it paints itself, in device pixels.
QImage rendered(QWidget& widget);

}  // namespace tovalin::test
