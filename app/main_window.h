// MainWindow, row for row as it is laid out: the window's settings, its
// sixteen controls topmost first, its non-visual components, its Tab round
// and the events it handles.
#pragma once

#include <array>
#include <string_view>

#include "app/handlers.h"
#include "app/slot_handlers.h"
#include "forms/check.h"
#include "forms/layout.h"

namespace tovalin::app {

using forms::Binding;
using forms::Component;
using forms::ComponentKind;
using forms::Control;
using forms::Event;
using forms::Font;
using forms::Kind;

inline constexpr Font kHeiti21{"黑体", 21, true};
inline constexpr Font kHeiti14{"黑体", 14, true};

// clang-format off
inline constexpr std::array main_window_controls{
//          name        kind              parent      place        in window    size          text                      font
    Control{"按钮5",    Kind::Button,     "分组框3",  {162,   8}, {166, 405}, {157,  22},  "使用说明",                kHeiti14},
    Control{"按钮4",    Kind::Button,     "分组框3",  {162,  35}, {166, 432}, {157,  22},  "赞助作者",                kHeiti14},
    Control{"按钮3",    Kind::Button,     "分组框3",  {  2,   7}, {  6, 404}, {157,  50},  "清空",                    kHeiti21},
    Control{"户口簿",   Kind::Label,      "分组框2",  { 64,  14}, {231,  14}, { 90,  16},  "户口簿"},
    Control{"银行卡",   Kind::Label,      "分组框1",  { 18,  14}, { 22,  14}, {136,  16},  "身份证、银行卡、社保卡"},
    Control{"按钮2",    Kind::Button,     "",         {171, 335}, {171, 335}, {150,  56},  "打印",                    kHeiti21},
    Control{"按钮1",    Kind::Button,     "",         {  7, 335}, {  7, 335}, {150,  56},  "打印",                    kHeiti21},
    Control{"图片框6",  Kind::PictureBox, "",         {171, 235}, {171, 235}, {150,  90},  ""},
    Control{"图片框5",  Kind::PictureBox, "",         {171, 135}, {171, 135}, {150,  90},  ""},
    Control{"图片框4",  Kind::PictureBox, "",         {171,  35}, {171,  35}, {150,  90},  ""},
    Control{"图片框3",  Kind::PictureBox, "",         {  7, 235}, {  7, 235}, {150,  90},  ""},
    Control{"图片框2",  Kind::PictureBox, "",         {  7, 135}, {  7, 135}, {150,  90},  ""},
    Control{"图片框1",  Kind::PictureBox, "",         {  7,  35}, {  7,  35}, {150,  90},  ""},
    Control{"分组框1",  Kind::GroupBox,   "",         {  4,   0}, {  4,   0}, {158, 400},  "8.56*5.4"},
    Control{"分组框2",  Kind::GroupBox,   "",         {167,   0}, {167,   0}, {158, 400},  "14.3*10.5"},
    Control{"分组框3",  Kind::GroupBox,   "",         {  4, 397}, {  4, 397}, {321,  60},  ""},
};

inline constexpr std::array main_window_components{
    Component{"打印机1",   ComponentKind::Printer},
    Component{"拖放对象1", ComponentKind::DropTarget},
    Component{"拖放对象2", ComponentKind::DropTarget},
    Component{"拖放对象3", ComponentKind::DropTarget},
    Component{"拖放对象4", ComponentKind::DropTarget},
    Component{"拖放对象5", ComponentKind::DropTarget},
    Component{"拖放对象6", ComponentKind::DropTarget},
};

inline constexpr std::array<std::string_view, 5> main_window_tab_order{"按钮1", "按钮2", "按钮3", "按钮4", "按钮5"};

// Every event the program handles on this window; nothing else has a handler.
inline constexpr std::array main_window_events{
//          source     event           handler
    Binding{"MainWindow", Event::Created,  bind_drop_targets},
    Binding{"按钮1",   Event::Clicked, print_card_group},
    Binding{"按钮2",   Event::Clicked, print_household_group},
    Binding{"按钮3",   Event::Clicked, clear_slots},
    Binding{"按钮4",   Event::Clicked, open_sponsor_window},
    Binding{"按钮5",   Event::Clicked, open_guide_window},
    Binding{"拖放对象1", Event::FilesDropped, drop_on<slots::SlotId::Box1>},
    Binding{"拖放对象2", Event::FilesDropped, drop_on<slots::SlotId::Box2>},
    Binding{"拖放对象3", Event::FilesDropped, drop_on<slots::SlotId::Box3>},
    Binding{"拖放对象4", Event::FilesDropped, drop_on<slots::SlotId::Box4>},
    Binding{"拖放对象5", Event::FilesDropped, drop_on<slots::SlotId::Box5>},
    Binding{"拖放对象6", Event::FilesDropped, drop_on<slots::SlotId::Box6>},
};
// clang-format on

inline constexpr forms::WindowTable main_window{
    .settings =
        {
            .name = "MainWindow",
            .caption = "Tovalin  by：Quessel Pendrick专用",
            .outer = {340, 490},
            .minimise_box = true,
            .maximise_box = false,
            .owned = false,
            .escape_closes = true,
            .icon = ":/icon",
            .background = "",
            .background_mode = picture::BackgroundMode::Centre,
        },
    .controls = main_window_controls,
    .components = main_window_components,
    .tab_order = main_window_tab_order,
    .picture_boxes = {.background = {128, 160, 128}, .mode = picture::BoxMode::Centre, .animate = true},
    .events = main_window_events,
};

static_assert(!forms::check_layout(main_window), "MainWindow's table breaks a layout rule");

}  // namespace tovalin::app
