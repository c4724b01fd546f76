#include "fixture.h"

#include <QApplication>
#include <QBuffer>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <array>
#include <memory>

#include "app/main_window.h"
#include "app/picture_windows.h"
#include "forms/controls.h"

namespace tovalin::test {

namespace {

using namespace forms;

std::unique_ptr<Runtime> the_runtime;

void probe_created(EventArgs& e) {
    Log& l = log();
    ++l.probe_created;
    l.all_controls_existed = true;
    for (const Control& c : e.window.table().controls) l.all_controls_existed &= e.window.find(c.name) != nullptr;
    for (const Component& c : e.window.table().components) l.all_controls_existed &= e.window.find(c.name) != nullptr;
    l.window_was_hidden = !e.window.isVisible();
    l.controls_were_shown = true;
    for (const Control& c : e.window.table().controls)
        l.controls_were_shown &= static_cast<QWidget*>(e.window.find(c.name))->isVisibleTo(&e.window);
    l.entries.push_back("Probe created");
}

void probe_open_dialog(EventArgs& e) {
    log().entries.push_back("open Dialog");
    const bool loaded = e.runtime.load("Dialog", true);
    log().entries.push_back(loaded ? "Dialog load returned true" : "Dialog load returned false");
}

void probe_count(EventArgs&) { ++log().probe_clicks; }

void probe_dropped(EventArgs& e) {
    log().entries.push_back("dropped " + *e.text);
    *e.text = "changed by the handler";
}

void dialog_created(EventArgs& e) {
    ++log().dialog_created;
    QObject::connect(&e.window, &QObject::destroyed, [] { log().entries.push_back("Dialog destroyed"); });
}

constexpr std::array probe_controls{
    Control{"按钮1", Kind::Button, "", {10, 10}, {10, 10}, {80, 30}, "open", {}},
    Control{"按钮2", Kind::Button, "", {100, 10}, {100, 10}, {80, 30}, "count", {}},
    Control{"图片框1", Kind::PictureBox, "", {10, 50}, {10, 50}, {150, 90}, "", {}},
};
constexpr std::array probe_components{Component{"拖放对象1", ComponentKind::DropTarget}};
constexpr std::array<std::string_view, 2> probe_tabs{"按钮1", "按钮2"};
constexpr std::array probe_events{
    Binding{"Probe", Event::Created, probe_created},
    Binding{"按钮1", Event::Clicked, probe_open_dialog},
    Binding{"按钮2", Event::Clicked, probe_count},
    Binding{"拖放对象1", Event::FilesDropped, probe_dropped},
};
constexpr WindowTable probe{
    .settings = {.name = "Probe", .caption = "Probe", .outer = {300, 200}, .minimise_box = true,
                 .maximise_box = false, .owned = false, .escape_closes = true, .icon = "", .background = "",
                 .background_mode = picture::BackgroundMode::Centre},
    .controls = probe_controls,
    .components = probe_components,
    .tab_order = probe_tabs,
    .picture_boxes = {},
    .events = probe_events,
};

constexpr std::array dialog_events{Binding{"Dialog", Event::Created, dialog_created}};
constexpr WindowTable dialog{
    .settings = {.name = "Dialog", .caption = "Dialog", .outer = {200, 100}, .minimise_box = true,
                 .maximise_box = false, .owned = true, .escape_closes = true, .icon = "", .background = "",
                 .background_mode = picture::BackgroundMode::Centre},
    .controls = {},
    .components = {},
    .tab_order = {},
    .picture_boxes = {},
    .events = dialog_events,
};

constexpr WindowTable other{
    .settings = {.name = "Other", .caption = "Other", .outer = {200, 100}, .minimise_box = true,
                 .maximise_box = false, .owned = false, .escape_closes = true, .icon = "", .background = "",
                 .background_mode = picture::BackgroundMode::Centre},
    .controls = {},
    .components = {},
    .tab_order = {},
    .picture_boxes = {},
    .events = {},
};

// A 400 x 100 picture in a 200 x 100 client area: drawn 200 x 50, 25 down.
constexpr WindowTable backdrop{
    .settings = {.name = "Backdrop", .caption = "Backdrop", .outer = {200, 100}, .minimise_box = true,
                 .maximise_box = false, .owned = false, .escape_closes = true, .icon = "",
                 .background = ":/test/backdrop.png", .background_mode = picture::BackgroundMode::Centre},
    .controls = {},
    .components = {},
    .tab_order = {},
    .picture_boxes = {},
    .events = {},
};

constexpr std::array broken_controls{
    Control{"按钮1", Kind::Button, "分组框9", {10, 10}, {10, 10}, {80, 30}, "orphan", {}},
};
constexpr WindowTable broken{
    .settings = {.name = "Broken", .caption = "Broken", .outer = {200, 100}, .minimise_box = true,
                 .maximise_box = false, .owned = false, .escape_closes = true, .icon = "", .background = "",
                 .background_mode = picture::BackgroundMode::Centre},
    .controls = broken_controls,
    .components = {},
    .tab_order = {},
    .picture_boxes = {},
    .events = {},
};

constexpr std::array<const WindowTable*, 8> test_windows{&app::main_window, &app::guide_window, &app::sponsor_window,
                                                         &probe, &dialog, &other, &backdrop, &broken};

}  // namespace

Runtime& runtime() { return *the_runtime; }

Log& log() {
    static Log l;
    return l;
}

void start_runtime(int& argc, char** argv) { the_runtime = std::make_unique<Runtime>(argc, argv, test_windows); }
void stop_runtime() { the_runtime.reset(); }

void run_guarded() {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        ADD_FAILURE() << "the event loop did not end";
        QCoreApplication::quit();
    });
    guard.start(60'000);
    runtime().run();
}

void click(QWidget* widget) {
    QWidget* window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window, widget->rect().center()));
}

std::vector<std::uint8_t> png_bytes(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {data.begin(), data.end()};
}

QImage rendered(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace tovalin::test
