#include "slot_model.h"

namespace tovalin::slots {

Exclusion household_exclusion(const SlotAccess& s) {
    // The bottom slot is looked at only when the top one is empty.
    if (s.filled(SlotId::Box4) || s.filled(SlotId::Box6)) return Exclusion::OuterPair;
    if (s.filled(SlotId::Box5)) return Exclusion::MiddleOnly;
    return Exclusion::NoChange;
}

void apply(SlotAccess& s, Exclusion outcome) {
    if (outcome == Exclusion::NoChange) return;
    const bool outer = outcome == Exclusion::OuterPair;
    s.set_enabled(SlotId::Box4, outer);
    s.set_enabled(SlotId::Box5, !outer);
    s.set_enabled(SlotId::Box6, outer);
}

void drop_on_slot(SlotAccess& s, SlotId id, const std::string& text, FileReader read) {
    s.set_picture(id, read(text));
    if (info(id).group == SlotGroup::HouseholdGroup) apply(s, household_exclusion(s));
}

void clear(SlotAccess& s) {
    for (const SlotInfo& slot : kSlots) s.set_picture(slot.id, {});
}

}  // namespace tovalin::slots
