// The rules of window tables, each broken once.
#include <gtest/gtest.h>

#include <array>
#include <set>

#include "app/main_window.h"
#include "forms/check.h"

namespace tovalin::test {
namespace {

using namespace forms;

void nothing(EventArgs&) {}

TEST(LayoutCheck, MainWindowNamesAreUniqueAndItsHandlersNameRealControls) {
    // check_layout holds it at compile time; this says which row, should it not.
    std::set<std::string_view> names{app::main_window.settings.name};
    for (const Control& c : app::main_window_controls) EXPECT_TRUE(names.insert(c.name).second) << c.name;
    for (const Component& c : app::main_window_components) EXPECT_TRUE(names.insert(c.name).second) << c.name;
    for (const Binding& b : app::main_window_events) EXPECT_TRUE(names.contains(b.source)) << b.source;
    EXPECT_EQ(app::main_window_controls.size(), 16u);
    const auto problem = check_layout(app::main_window);
    EXPECT_FALSE(problem) << problem->what << " in " << problem->name;
}

struct Broken {
    const char* name;
    std::vector<Control> controls;
    std::vector<Component> components;
    std::vector<std::string_view> tabs;
    std::vector<Binding> events;
    std::string_view what;
};

TEST(LayoutCheck, EachRuleCatchesItsFault) {
    const Control group{"分组框1", Kind::GroupBox, "", {4, 0}, {4, 0}, {158, 400}, "", {}};
    const Control button{"按钮1", Kind::Button, "", {7, 335}, {7, 335}, {150, 56}, "打印", {"黑体", 21, true}};
    const Control label{"银行卡", Kind::Label, "分组框1", {18, 14}, {22, 14}, {136, 16}, "", {}};
    auto with = [](Control c, auto change) {
        change(c);
        return c;
    };
    const std::vector<Broken> rows{
        {"a name twice", {group, button, with(button, [](Control& c) { c.place = c.in_window = {171, 335}; })}, {}, {}, {},
         "name used twice"},
        {"a component named like a control", {button}, {{"按钮1", ComponentKind::Printer}}, {}, {}, "name used twice"},
        {"a parent that is not there", {with(label, [](Control& c) { c.parent = "分组框9"; })}, {}, {}, {},
         "parent does not exist"},
        {"a button as parent", {button, with(label, [](Control& c) { c.parent = "按钮1"; })}, {}, {}, {},
         "parent is not a group box"},
        {"places that disagree", {group, with(label, [](Control& c) { c.in_window = {18, 14}; })}, {}, {}, {},
         "place in window disagrees with place in parent"},
        {"no size", {with(button, [](Control& c) { c.size = {0, 56}; })}, {}, {}, {}, "control without a size"},
        {"a face without a size", {with(button, [](Control& c) { c.font.pixel_size = 0; })}, {}, {}, {},
         "font without a size"},
        {"a label in the Tab round", {group, label}, {}, {"银行卡"}, {}, "tab stop is not a button"},
        {"a Tab stop twice", {button}, {}, {"按钮1", "按钮1"}, {}, "tab stop listed twice"},
        {"a click on nothing", {button}, {}, {}, {{"按钮9", Event::Clicked, nothing}}, "clicked source does not exist"},
        {"a click on a label", {group, label}, {}, {}, {{"银行卡", Event::Clicked, nothing}},
         "clicked source is not a button"},
        {"a drop on a printer", {}, {{"打印机1", ComponentKind::Printer}}, {}, {{"打印机1", Event::FilesDropped, nothing}},
         "files-dropped source is not a drop target"},
        {"created from a control", {button}, {}, {}, {{"按钮1", Event::Created, nothing}},
         "created is raised by the window only"},
        {"no handler", {button}, {}, {}, {{"按钮1", Event::Clicked, nullptr}}, "binding without a handler"},
    };
    for (const Broken& r : rows) {
        SCOPED_TRACE(r.name);
        WindowTable table{};
        table.settings.name = "W";
        table.settings.outer = {340, 490};
        table.controls = r.controls;
        table.components = r.components;
        table.tab_order = r.tabs;
        table.events = r.events;
        const auto problem = check_layout(table);
        ASSERT_TRUE(problem);
        EXPECT_EQ(problem->what, r.what);
    }
    // And the same rows unbroken pass.
    WindowTable fine{};
    fine.settings.name = "W";
    fine.settings.outer = {340, 490};
    const std::vector<Control> controls{group, button, label};
    const std::vector<Binding> events{{"按钮1", Event::Clicked, nothing}, {"W", Event::Created, nothing}};
    const std::vector<std::string_view> tabs{"按钮1"};
    fine.controls = controls;
    fine.events = events;
    fine.tab_order = tabs;
    EXPECT_FALSE(check_layout(fine));
}

}  // namespace
}  // namespace tovalin::test
