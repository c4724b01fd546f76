// What a drag over a slot offers, with which effect, and what its release
// raises: the drop target's whole behaviour as plain rules. The Qt drop
// target only translates its events into these terms and back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tovalin::slots {

// The four kinds of dragged data a slot accepts.
struct DragKinds {
    bool text = false;   // plain text
    bool files = false;  // a list of file-system items
    bool link = false;   // a link
    bool html = false;
    bool acceptable() const { return text || files || link || html; }
    friend bool operator==(const DragKinds&, const DragKinds&) = default;
};

// The kinds in a drag, from its MIME formats and its URLs (file: URLs make
// a file list, any other URL a link).
DragKinds classify(const std::vector<std::string>& formats, int file_urls, int other_urls);

enum class Effect { None, Copy, Move, Link };

struct Actions {
    bool copy = false, move = false, link = false;
};

struct Keys {
    bool shift = false, ctrl = false;
};

// The effect shown on entering, on every move, and taken on release.
Effect drop_effect(const DragKinds& kinds, Keys keys, Actions allowed);

// Raised on a release whose effect is not None, in this order, each for a
// kind present. The program handles only FilesDropped.
enum class DropEvent { Text, Html, Link, FilesDropped };
std::vector<DropEvent> drop_events(const DragKinds& kinds);

// The text of FilesDropped: one item's path; or every path followed by CR LF.
std::string files_dropped_text(const std::vector<std::string>& paths);

}  // namespace tovalin::slots
