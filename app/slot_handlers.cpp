#include "app/slot_handlers.h"

#include "forms/controls.h"
#include "forms/picture_box.h"
#include "forms/window.h"
#include "slots/file_read.h"

namespace tovalin::app {

namespace {

forms::PictureBox* box(const forms::Window& window, slots::SlotId id) {
    return window.control<forms::PictureBox>(slots::info(id).picture_box);
}

}  // namespace

slots::Picture WindowSlots::picture(slots::SlotId id) const {
    const forms::PictureBox* b = box(window_, id);
    return b ? b->picture() : slots::Picture{};
}

bool WindowSlots::filled(slots::SlotId id) const {
    const forms::PictureBox* b = box(window_, id);
    return b && b->has_picture();
}

void WindowSlots::set_picture(slots::SlotId id, slots::Picture bytes) {
    if (forms::PictureBox* b = box(window_, id)) b->set_picture(std::move(bytes));
}

void WindowSlots::set_enabled(slots::SlotId id, bool enabled) {
    window_.set_disabled(slots::info(id).picture_box, !enabled);
}

void bind_drop_targets(forms::EventArgs& event) {
    for (const slots::SlotInfo& slot : slots::kSlots) {
        auto* target = event.window.control<forms::DropTarget>(slot.drop_target);
        auto* picture_box = event.window.control<forms::PictureBox>(slot.picture_box);
        if (target && picture_box) target->bind(*picture_box);
    }
}

template <slots::SlotId id>
void drop_on(forms::EventArgs& event) {
    if (!event.text) return;
    WindowSlots boxes(event.window);
    slots::drop_on_slot(boxes, id, *event.text, slots::read_whole_file);
}

template void drop_on<slots::SlotId::Box1>(forms::EventArgs&);
template void drop_on<slots::SlotId::Box2>(forms::EventArgs&);
template void drop_on<slots::SlotId::Box3>(forms::EventArgs&);
template void drop_on<slots::SlotId::Box4>(forms::EventArgs&);
template void drop_on<slots::SlotId::Box5>(forms::EventArgs&);
template void drop_on<slots::SlotId::Box6>(forms::EventArgs&);

void clear_slots(forms::EventArgs& event) {
    WindowSlots boxes(event.window);
    slots::clear(boxes);
}

}  // namespace tovalin::app
