// The six slots, their groups and the household group's exclusion rule,
// without any window toolkit. Where a slot's picture and enabled flag live is
// the caller's: the program keeps them in its picture boxes, tests in a
// SlotBoard.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tovalin::slots {

using Picture = std::vector<std::uint8_t>;

enum class SlotId { Box1, Box2, Box3, Box4, Box5, Box6 };
enum class SlotGroup { CardGroup, HouseholdGroup };
enum class Position { Top, Middle, Bottom };

struct SlotInfo {
    SlotId id;
    std::string_view picture_box;
    std::string_view drop_target;
    SlotGroup group;
    Position position;
};

// The slot identities, fixed for the program.
inline constexpr std::array<SlotInfo, 6> kSlots{{
    {SlotId::Box1, "图片框1", "拖放对象1", SlotGroup::CardGroup, Position::Top},
    {SlotId::Box2, "图片框2", "拖放对象2", SlotGroup::CardGroup, Position::Middle},
    {SlotId::Box3, "图片框3", "拖放对象3", SlotGroup::CardGroup, Position::Bottom},
    {SlotId::Box4, "图片框4", "拖放对象4", SlotGroup::HouseholdGroup, Position::Top},
    {SlotId::Box5, "图片框5", "拖放对象5", SlotGroup::HouseholdGroup, Position::Middle},
    {SlotId::Box6, "图片框6", "拖放对象6", SlotGroup::HouseholdGroup, Position::Bottom},
}};

constexpr const SlotInfo& info(SlotId id) { return kSlots[static_cast<std::size_t>(id)]; }

// A group's slots, top to bottom.
constexpr std::array<SlotId, 3> slots_of(SlotGroup group) {
    return group == SlotGroup::CardGroup ? std::array{SlotId::Box1, SlotId::Box2, SlotId::Box3}
                                         : std::array{SlotId::Box4, SlotId::Box5, SlotId::Box6};
}

// Where the slots' state is kept. A picture is filled when it is not empty,
// whatever its bytes are.
class SlotAccess {
public:
    virtual ~SlotAccess() = default;
    virtual Picture picture(SlotId id) const = 0;
    virtual bool filled(SlotId id) const = 0;
    virtual void set_picture(SlotId id, Picture bytes) = 0;
    virtual void set_enabled(SlotId id, bool enabled) = 0;
};

// The household group's rule: printed at true size, a middle page would
// overlap both outer ones, so the middle slot and the outer pair exclude
// each other. The outer slots take precedence.
enum class Exclusion { OuterPair, MiddleOnly, NoChange };
Exclusion household_exclusion(const SlotAccess& slots);
// Writes the enabled flags of 图片框4, 图片框5, 图片框6, in that order.
void apply(SlotAccess& slots, Exclusion outcome);

// Reads a file whole; see file_read.h.
using FileReader = Picture (*)(const std::string& path);

// The whole handling of one FilesDropped: the file named by the text becomes
// the slot's picture (an unreadable one empties it), then the household rule.
void drop_on_slot(SlotAccess& slots, SlotId id, const std::string& text, FileReader read);

// Empties all six pictures, in order; enabled flags are left as they are.
void clear(SlotAccess& slots);

// The six slots in memory, for everything that runs without the window.
class SlotBoard : public SlotAccess {
public:
    struct Slot {
        Picture picture;
        bool enabled = true;
    };

    Picture picture(SlotId id) const override { return at(id).picture; }
    bool filled(SlotId id) const override { return !at(id).picture.empty(); }
    void set_picture(SlotId id, Picture bytes) override { at(id).picture = std::move(bytes); }
    void set_enabled(SlotId id, bool enabled) override { at(id).enabled = enabled; }
    bool enabled(SlotId id) const { return at(id).enabled; }

private:
    Slot& at(SlotId id) { return slots_[static_cast<std::size_t>(id)]; }
    const Slot& at(SlotId id) const { return slots_[static_cast<std::size_t>(id)]; }
    std::array<Slot, 6> slots_;
};

}  // namespace tovalin::slots
