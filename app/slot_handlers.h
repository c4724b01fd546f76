// MainWindow's handlers for the slots: binding the drop targets when the
// window has been created, a drop on each slot, and the clear button. The
// slots' pictures and enabled flags are the picture boxes' own properties.
#pragma once

#include "forms/layout.h"
#include "slots/slot_model.h"

namespace tovalin::forms {
class Window;
}

namespace tovalin::app {

// The six slots as the picture boxes of a window: the picture property and
// the disabled property, by the boxes' names.
class WindowSlots : public slots::SlotAccess {
public:
    explicit WindowSlots(forms::Window& window) : window_(window) {}
    slots::Picture picture(slots::SlotId id) const override;
    bool filled(slots::SlotId id) const override;
    void set_picture(slots::SlotId id, slots::Picture bytes) override;
    void set_enabled(slots::SlotId id, bool enabled) override;

private:
    forms::Window& window_;
};

// MainWindow created: 拖放对象1 to 图片框1 through 拖放对象6 to 图片框6, in
// this order. A binding that fails leaves its slot without drops.
void bind_drop_targets(forms::EventArgs& event);

// FilesDropped of 拖放对象N: the dropped text, unchanged, read as a file into
// 图片框N.
template <slots::SlotId id>
void drop_on(forms::EventArgs& event);
extern template void drop_on<slots::SlotId::Box1>(forms::EventArgs&);
extern template void drop_on<slots::SlotId::Box2>(forms::EventArgs&);
extern template void drop_on<slots::SlotId::Box3>(forms::EventArgs&);
extern template void drop_on<slots::SlotId::Box4>(forms::EventArgs&);
extern template void drop_on<slots::SlotId::Box5>(forms::EventArgs&);
extern template void drop_on<slots::SlotId::Box6>(forms::EventArgs&);

// 按钮3, "清空": all six pictures emptied; no enabled flag changes.
void clear_slots(forms::EventArgs& event);

}  // namespace tovalin::app
