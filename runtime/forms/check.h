// The rules every window table must keep, as one constexpr check: a program
// can static_assert its own tables, and the runtime refuses to load a window
// whose table breaks one.
#pragma once

#include <optional>

#include "forms/layout.h"

namespace tovalin::forms {

struct LayoutProblem {
    std::string_view what;
    std::string_view name;  // the row it was found in
};

namespace detail {

constexpr const Control* find_control(const WindowTable& w, std::string_view name) {
    for (const Control& c : w.controls)
        if (c.name == name) return &c;
    return nullptr;
}

constexpr int count_name(const WindowTable& w, std::string_view name) {
    int n = name == w.settings.name ? 1 : 0;
    for (const Control& c : w.controls) n += c.name == name;
    for (const Component& c : w.components) n += c.name == name;
    return n;
}

}  // namespace detail

constexpr std::optional<LayoutProblem> check_layout(const WindowTable& w) {
    using namespace detail;
    if (w.settings.name.empty()) return LayoutProblem{"window without a name", {}};
    if (w.settings.outer.width <= 0 || w.settings.outer.height <= 0) return LayoutProblem{"window without a size", w.settings.name};
    for (const Control& c : w.controls) {
        if (c.name.empty()) return LayoutProblem{"control without a name", {}};
        if (count_name(w, c.name) != 1) return LayoutProblem{"name used twice", c.name};
        if (c.size.width <= 0 || c.size.height <= 0) return LayoutProblem{"control without a size", c.name};
        Point origin{};
        if (!c.parent.empty()) {
            const Control* parent = find_control(w, c.parent);
            if (!parent) return LayoutProblem{"parent does not exist", c.name};
            if (parent->kind != Kind::GroupBox) return LayoutProblem{"parent is not a group box", c.name};
            if (!parent->parent.empty()) return LayoutProblem{"group boxes do not nest", c.name};
            origin = parent->place;
        }
        if (origin + c.place != c.in_window) return LayoutProblem{"place in window disagrees with place in parent", c.name};
        if (!c.font.is_default() && c.font.pixel_size <= 0) return LayoutProblem{"font without a size", c.name};
    }
    for (const Component& c : w.components) {
        if (c.name.empty()) return LayoutProblem{"component without a name", {}};
        if (count_name(w, c.name) != 1) return LayoutProblem{"name used twice", c.name};
    }
    for (std::size_t i = 0; i < w.tab_order.size(); ++i) {
        const Control* c = find_control(w, w.tab_order[i]);
        if (!c) return LayoutProblem{"tab stop does not exist", w.tab_order[i]};
        if (c->kind != Kind::Button) return LayoutProblem{"tab stop is not a button", c->name};
        for (std::size_t j = 0; j < i; ++j)
            if (w.tab_order[j] == w.tab_order[i]) return LayoutProblem{"tab stop listed twice", c->name};
    }
    for (const Binding& b : w.events) {
        if (!b.handler) return LayoutProblem{"binding without a handler", b.source};
        switch (b.event) {
            case Event::Created:
                if (b.source != w.settings.name) return LayoutProblem{"created is raised by the window only", b.source};
                break;
            case Event::Clicked: {
                const Control* c = find_control(w, b.source);
                if (!c) return LayoutProblem{"clicked source does not exist", b.source};
                if (c->kind != Kind::Button) return LayoutProblem{"clicked source is not a button", b.source};
                break;
            }
            case Event::FilesDropped: {
                bool found = false;
                for (const Component& c : w.components) found |= c.name == b.source && c.kind == ComponentKind::DropTarget;
                if (!found) return LayoutProblem{"files-dropped source is not a drop target", b.source};
                break;
            }
        }
    }
    return std::nullopt;
}

}  // namespace tovalin::forms
