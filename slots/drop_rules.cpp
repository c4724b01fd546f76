#include "drop_rules.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tovalin::slots {
namespace {

bool is(std::string_view format, std::string_view mime) {
    // "text/plain;charset=utf-8" is plain text too.
    if (format.size() < mime.size()) return false;
    if (!std::equal(mime.begin(), mime.end(), format.begin(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); }))
        return false;
    return format.size() == mime.size() || format[mime.size()] == ';';
}

}  // namespace

DragKinds classify(const std::vector<std::string>& formats, int file_urls, int other_urls) {
    DragKinds k;
    for (const std::string& f : formats) {
        k.text = k.text || is(f, "text/plain");
        k.html = k.html || is(f, "text/html");
        k.link = k.link || is(f, "text/x-moz-url") || is(f, "_NETSCAPE_URL");
    }
    k.files = file_urls > 0;
    k.link = k.link || other_urls > 0;
    return k;
}

Effect drop_effect(const DragKinds& kinds, Keys keys, Actions a) {
    if (!kinds.acceptable()) return Effect::None;
    if (keys.ctrl && keys.shift) return Effect::None;
    if (keys.shift) return a.move ? Effect::Move : Effect::None;
    if (keys.ctrl) return a.copy ? Effect::Copy : Effect::None;
    if (a.copy) return Effect::Copy;
    if (a.move) return Effect::Move;
    if (a.link) return Effect::Link;
    return Effect::None;
}

std::vector<DropEvent> drop_events(const DragKinds& kinds) {
    std::vector<DropEvent> events;
    if (kinds.text && !kinds.html) events.push_back(DropEvent::Text);
    if (kinds.html) events.push_back(DropEvent::Html);
    if (kinds.link) events.push_back(DropEvent::Link);
    if (kinds.files) events.push_back(DropEvent::FilesDropped);
    return events;
}

std::string files_dropped_text(const std::vector<std::string>& paths) {
    if (paths.size() == 1) return paths.front();
    std::string text;
    for (const std::string& p : paths) text += p + "\r\n";
    return text;
}

}  // namespace tovalin::slots
