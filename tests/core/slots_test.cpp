#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <map>

#include "slots/drop_rules.h"
#include "slots/file_read.h"
#include "slots/slot_model.h"
#include "support/magick.h"

using namespace tovalin::slots;
using tovalin::test::TempDir;
using tovalin::test::write_file;

namespace {

// What the household rule does to the three enabled flags, for every content.
TEST(HouseholdExclusion, FullTable) {
    enum Flag { U, E, D };  // unchanged, enabled, disabled
    struct Row {
        bool top, middle, bottom;
        Exclusion outcome;
        Flag f4, f5, f6;
    };
    const Row rows[] = {
        {false, false, false, Exclusion::NoChange, U, U, U},  {false, true, false, Exclusion::MiddleOnly, D, E, D},
        {true, false, false, Exclusion::OuterPair, E, D, E},  {false, false, true, Exclusion::OuterPair, E, D, E},
        {true, false, true, Exclusion::OuterPair, E, D, E},   {true, true, false, Exclusion::OuterPair, E, D, E},
        {false, true, true, Exclusion::OuterPair, E, D, E},   {true, true, true, Exclusion::OuterPair, E, D, E},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.top << r.middle << r.bottom);
        for (bool start : {true, false}) {  // "unchanged" must show whatever the flags were
            SlotBoard board;
            for (SlotId id : slots_of(SlotGroup::HouseholdGroup)) board.set_enabled(id, start);
            if (r.top) board.set_picture(SlotId::Box4, {1});
            if (r.middle) board.set_picture(SlotId::Box5, {1});
            if (r.bottom) board.set_picture(SlotId::Box6, {1});
            const Exclusion outcome = household_exclusion(board);
            EXPECT_EQ(outcome, r.outcome);
            apply(board, outcome);
            auto expect = [&](Flag f, SlotId id) { EXPECT_EQ(board.enabled(id), f == U ? start : f == E); };
            expect(r.f4, SlotId::Box4);
            expect(r.f5, SlotId::Box5);
            expect(r.f6, SlotId::Box6);
        }
    }
}

// Files for drops, read through the real whole-file read.
std::map<std::string, Picture>* g_files;
Picture fake_read(const std::string& path) {
    auto it = g_files->find(path);
    return it == g_files->end() ? Picture{} : it->second;
}

struct Step {
    const char* what;  // "drop N name" or "clear"
    std::array<bool, 6> enabled;
    std::array<bool, 6> filled;
};

void run_steps(const std::vector<Step>& steps) {
    std::map<std::string, Picture> files = {{"a.jpg", {0xFF, 0xD8}}, {"b.png", {0x89}}, {"text.txt", {'h', 'i'}}};
    g_files = &files;
    SlotBoard board;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        const std::string w = s.what;
        if (w == "clear") {
            clear(board);
        } else {
            const int n = w[5] - '1';
            drop_on_slot(board, static_cast<SlotId>(n), w.substr(7), fake_read);
        }
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(board.enabled(static_cast<SlotId>(i)), s.enabled[static_cast<std::size_t>(i)]) << "slot " << i + 1;
            EXPECT_EQ(board.filled(static_cast<SlotId>(i)), s.filled[static_cast<std::size_t>(i)]) << "slot " << i + 1;
        }
    }
}

constexpr std::array<bool, 6> kAll{true, true, true, true, true, true};
constexpr std::array<bool, 6> kNone{};

TEST(SlotModes, MiddleFirstStaysMiddleOnlyAfterClear) {
    run_steps({
        {"drop 5 missing.jpg", kAll, kNone},  // all open: an unreadable drop changes no flag
        {"drop 2 a.jpg", kAll, {false, true, false, false, false, false}},
        {"drop 5 a.jpg", {true, true, true, false, true, false}, {false, true, false, false, true, false}},
        {"clear", {true, true, true, false, true, false}, kNone},
        {"drop 5 b.png", {true, true, true, false, true, false}, {false, false, false, false, true, false}},
    });
}

TEST(SlotModes, OuterFirstKeepsTheOuterPair) {
    run_steps({
        {"drop 6 text.txt", {true, true, true, true, false, true}, {false, false, false, false, false, true}},
        {"drop 4 a.jpg", {true, true, true, true, false, true}, {false, false, false, true, false, true}},
        {"drop 6 missing", {true, true, true, true, false, true}, {false, false, false, true, false, false}},
        {"drop 4 missing", {true, true, true, true, false, true}, kNone},  // all empty: no change, 5 stays disabled
        {"drop 1 a.jpg", {true, true, true, true, false, true}, {true, false, false, false, false, false}},
        {"drop 1 missing", {true, true, true, true, false, true}, kNone},  // an unreadable drop empties a slot
    });
}

TEST(WholeFileRead, RegularFilesOnly) {
    TempDir dir;
    const Picture bytes = {0, 1, 2, 0xFF, 'x'};
    write_file(dir / "picture.jpg", bytes);
    write_file(dir / "empty", {});
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(symlink((dir / "picture.jpg").c_str(), (dir / "link").c_str()), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sock_path = (dir / "sock").string();
    sock_path.copy(addr.sun_path, sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    EXPECT_EQ(read_whole_file((dir / "picture.jpg").string()), bytes);
    EXPECT_EQ(read_whole_file((dir / "link").string()), bytes);
    // Each of these reads as empty, and at once: the FIFO has no writer.
    for (const char* name : {"empty", "fifo", "folder", "sock", "missing"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(read_whole_file((dir / name).string()).empty());
    }
    EXPECT_TRUE(read_whole_file("").empty());
    EXPECT_TRUE(read_whole_file("/dev/zero").empty());
    EXPECT_TRUE(read_whole_file((dir / "picture.jpg").string() + "\r\n").empty());  // a two-item drop's text
    close(sock);

    // Read, never written: the file is unchanged, modification time included.
    struct stat before {}, after {};
    stat((dir / "picture.jpg").c_str(), &before);
    read_whole_file((dir / "picture.jpg").string());
    stat((dir / "picture.jpg").c_str(), &after);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_size, after.st_size);
}

TEST(DropRules, FilesDroppedText) {
    EXPECT_EQ(files_dropped_text({"/home/u/id card.jpg"}), "/home/u/id card.jpg");
    EXPECT_EQ(files_dropped_text({"/a.jpg", "/b.png"}), "/a.jpg\r\n/b.png\r\n");
    EXPECT_EQ(files_dropped_text({"/a.jpg", "/home/u/scans"}), "/a.jpg\r\n/home/u/scans\r\n");
    EXPECT_EQ(files_dropped_text({"/home/u/scans"}), "/home/u/scans");
}

TEST(DropRules, EffectByKeysAndAllowedActions) {
    const DragKinds files{.files = true};
    struct Row {
        Keys keys;
        Actions allowed;
        Effect expected;
    };
    const Actions all{true, true, true}, copy{true, false, false}, move{false, true, false}, link{false, false, true},
        move_link{false, true, true};
    const Row rows[] = {
        {{}, all, Effect::Copy},          {{}, move_link, Effect::Move},       {{}, link, Effect::Link},
        {{}, {}, Effect::None},           {{.shift = true}, all, Effect::Move}, {{.shift = true}, copy, Effect::None},
        {{.ctrl = true}, all, Effect::Copy}, {{.ctrl = true}, move, Effect::None}, {{true, true}, all, Effect::None},
        {{true, true}, link, Effect::None},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "shift " << r.keys.shift << " ctrl " << r.keys.ctrl << " allowed "
                                        << r.allowed.copy << r.allowed.move << r.allowed.link);
        EXPECT_EQ(drop_effect(files, r.keys, r.allowed), r.expected);
        EXPECT_EQ(drop_effect(DragKinds{}, r.keys, r.allowed), Effect::None);  // nothing acceptable: always none
    }
}

TEST(DropRules, KindsAndTheEventsOfARelease) {
    EXPECT_EQ(classify({"text/uri-list"}, 1, 0), (DragKinds{.files = true}));
    EXPECT_EQ(classify({"text/uri-list"}, 0, 2), (DragKinds{.link = true}));
    EXPECT_EQ(classify({"text/plain;charset=utf-8", "text/html"}, 0, 0), (DragKinds{.text = true, .html = true}));
    EXPECT_EQ(classify({"_NETSCAPE_URL"}, 0, 0), (DragKinds{.link = true}));
    EXPECT_EQ(classify({"text/x-moz-url", "text/plain"}, 0, 0), (DragKinds{.text = true, .link = true}));
    EXPECT_FALSE(classify({"image/png", "application/x-qt-image"}, 0, 0).acceptable());

    using E = DropEvent;
    EXPECT_EQ(drop_events({.text = true}), (std::vector<E>{E::Text}));
    EXPECT_EQ(drop_events({.text = true, .html = true}), (std::vector<E>{E::Html}));  // text beside HTML is not raised
    EXPECT_EQ(drop_events({true, true, true, true}), (std::vector<E>{E::Html, E::Link, E::FilesDropped}));
    EXPECT_EQ(drop_events({.text = true, .files = true}), (std::vector<E>{E::Text, E::FilesDropped}));
}

}  // namespace
