// What a window is made of, as plain data: the window's own settings, its
// controls row by row, its non-visual components and the events it handles.
// A program describes each of its windows once with these types, as
// constexpr tables, and the runtime builds the widgets from them. Nothing
// here depends on Qt.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "picture/draw.h"

namespace tovalin::forms {

class Runtime;
class Window;

struct Point {
    int x = 0, y = 0;
    friend constexpr bool operator==(Point, Point) = default;
};

struct Extent {
    int width = 0, height = 0;
    friend constexpr bool operator==(Extent, Extent) = default;
};

constexpr Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }

enum class Kind { Button, Label, GroupBox, PictureBox };
enum class ComponentKind { Printer, DropTarget };

// A face by the name the layout knows it by, bold or not, at a character
// height in pixels (the height of the characters without internal leading,
// which is Qt's pixel size). An empty face is the system's default GUI font.
struct Font {
    std::string_view face;
    int pixel_size = 0;
    bool bold = false;
    constexpr bool is_default() const { return face.empty(); }
};

// One control. `place` is the top-left corner in the client area of the
// parent, `in_window` the same corner in the window's client area: the
// tables carry both, as the layouts are drawn up with both, and the runtime
// checks that they agree. An empty parent is the window itself.
struct Control {
    std::string_view name;
    Kind kind;
    std::string_view parent;
    Point place;
    Point in_window;
    Extent size;
    std::string_view text;
    Font font = {};
};

struct Component {
    std::string_view name;
    ComponentKind kind;
};

// Every picture box of a window is alike.
struct PictureBoxSettings {
    picture::Rgb background{128, 160, 128};
    picture::BoxMode mode = picture::BoxMode::Centre;
    bool animate = true;  // pictures of several images play
};

enum class Event { Created, Clicked, FilesDropped };

// What a handler is given. `text` is the dropped text of FilesDropped, by
// reference; null for the other events.
struct EventArgs {
    Runtime& runtime;
    Window& window;
    std::string* text = nullptr;
};
using Handler = void (*)(EventArgs&);

// `source` is the window's own name for window events, else a control's or
// a component's.
struct Binding {
    std::string_view source;
    Event event;
    Handler handler;
};

struct WindowSettings {
    std::string_view name;
    std::string_view caption;
    Extent outer;  // frame and title bar included
    bool minimise_box = true;
    bool maximise_box = false;
    // Owned by the runtime's invisible owner window rather than standing
    // alone: such a window has no taskbar button of its own.
    bool owned = false;
    bool escape_closes = true;
    // A Qt resource folder holding the icon, one PNG per size.
    std::string_view icon;
    // A background picture (a Qt resource path), drawn by `background_mode`
    // over the window's face colour.
    std::string_view background;
    picture::BackgroundMode background_mode = picture::BackgroundMode::Centre;
};

struct WindowTable {
    WindowSettings settings;
    // Topmost first among controls of the same parent.
    std::span<const Control> controls;
    std::span<const Component> components;
    // The Tab key's round, by control name; every other control takes no
    // focus from it.
    std::span<const std::string_view> tab_order;
    PictureBoxSettings picture_boxes;
    std::span<const Binding> events;
};

using WindowSet = std::span<const WindowTable* const>;

}  // namespace tovalin::forms
