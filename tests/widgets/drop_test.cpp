// Drops on MainWindow's slots as Qt delivers them: drag events sent to the
// live window's native window, which finds the widget under the pointer
// and passes the events on, as it does for the window system's drags.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <functional>

#include "app/main_window.h"
#include "fixture.h"
#include "forms/controls.h"
#include "forms/picture_box.h"
#include "slots/drop_target.h"
#include "support/magick.h"

namespace tovalin::test {
namespace {

using slots::DropEvent;

constexpr Qt::DropActions kAll = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// What the source was told while the pointer rested over the widget, and
// what it was told of the drop.
struct Told {
    bool offered = false;                      // the last move was accepted
    Qt::DropAction action = Qt::IgnoreAction;  // and with this action
    bool drop_accepted = false;
    Qt::DropAction drop_action = Qt::IgnoreAction;
};

// A drag that enters `window` over the middle of `over`, moves once and is
// released there (or leaves, without `release`). The move starts out with
// what the enter answered, as Qt's own delivery does. The drop is sent
// even when nothing was offered: a source may drop regardless, and the
// target's own rules must hold then too.
Told drag(QWidget& window, QWidget& over, const QMimeData& data, Qt::DropActions allowed = kAll,
          Qt::KeyboardModifiers keys = {}, bool release = true) {
    QWindow* native = window.windowHandle();
    const QPoint at = over.mapTo(&window, over.rect().center());
    QDragEnterEvent enter(at, allowed, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(native, &enter);
    QDragMoveEvent move(at, allowed, &data, Qt::LeftButton, keys);
    if (enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction && (allowed & enter.dropAction())) {
        move.setDropAction(enter.dropAction());
        move.accept();
    }
    QApplication::sendEvent(native, &move);
    Told told{move.isAccepted(), move.isAccepted() ? move.dropAction() : Qt::IgnoreAction};
    if (release) {
        QDropEvent drop(QPointF(at), allowed, &data, Qt::LeftButton, keys);
        QApplication::sendEvent(native, &drop);
        // As the platform reads the answer to a drop.
        told.drop_accepted = drop.isAccepted();
        told.drop_action = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    } else {
        QDragLeaveEvent leave;
        QApplication::sendEvent(native, &leave);
    }
    return told;
}

std::unique_ptr<QMimeData> files(const std::vector<std::filesystem::path>& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const auto& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p.string())));
    data->setUrls(urls);
    return data;
}

std::vector<std::uint8_t> solid_png(const std::filesystem::path& path, QColor colour) {
    QImage image(300, 180, QImage::Format_RGB32);
    image.fill(colour);
    const auto bytes = png_bytes(image);
    write_file(path, bytes);
    return bytes;
}

class DropTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime().load("MainWindow"));
        window = runtime().window("MainWindow");
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        red = solid_png(dir / "身份证 正面.png", QColor(200, 30, 40));
        blue = solid_png(dir / "blue.png", QColor(20, 40, 220));
    }
    void TearDown() override { delete window.data(); }

    forms::PictureBox& box(int n) const {
        return *window->control<forms::PictureBox>("图片框" + std::to_string(n));
    }
    Told drop_file(int n, const std::string& name, Qt::DropActions allowed = kAll, Qt::KeyboardModifiers keys = {}) {
        return drag(*window, box(n), *files({dir / name}), allowed, keys);
    }
    // Which of the six slots hold a picture, and which are enabled, as
    // "F....." and "EEEEEE".
    std::string filled() const {
        std::string s;
        for (int n = 1; n <= 6; ++n) s += box(n).has_picture() ? 'F' : '.';
        return s;
    }
    std::string enabled() const {
        std::string s;
        for (int n = 1; n <= 6; ++n) s += box(n).isEnabled() ? 'E' : 'D';
        return s;
    }

    QPointer<forms::Window> window;
    TempDir dir;
    std::vector<std::uint8_t> red, blue;
};

TEST_F(DropTest, ADroppedFileFillsItsSlotAndShowsWithoutBeingAccepted) {
    const Told told = drop_file(2, "身份证 正面.png");
    EXPECT_TRUE(told.offered);
    EXPECT_EQ(told.action, Qt::CopyAction);
    // Never accepted, so that no source takes the drop for a move.
    EXPECT_FALSE(told.drop_accepted);
    EXPECT_EQ(told.drop_action, Qt::IgnoreAction);

    EXPECT_EQ(box(2).picture(), red);
    EXPECT_EQ(filled(), ".F....");
    EXPECT_EQ(enabled(), "EEEEEE");
    // A 5:3 picture fills the 150 x 90 box to its edges.
    const QImage shown = rendered(box(2));
    ASSERT_EQ(shown.size(), QSize(150, 90));
    for (const QPoint p : {QPoint(0, 0), QPoint(75, 45), QPoint(149, 89)}) EXPECT_EQ(QColor(shown.pixel(p)), QColor(200, 30, 40)) << p.x() << "," << p.y();
    // Read, not touched.
    EXPECT_EQ(read_file(dir / "身份证 正面.png"), red);
}

TEST_F(DropTest, EachTargetIsBoundOnceToItsOwnBoxAndNothingElseTakesDrops) {
    EXPECT_FALSE(window->acceptDrops());
    for (const char* group : {"分组框1", "分组框2", "分组框3"}) EXPECT_FALSE(window->control<QWidget>(group)->acceptDrops()) << group;
    for (const slots::SlotInfo& slot : slots::kSlots) {
        SCOPED_TRACE(std::string(slot.drop_target));
        auto* target = window->control<forms::DropTarget>(slot.drop_target);
        ASSERT_NE(target, nullptr);
        auto& own = *window->control<forms::PictureBox>(slot.picture_box);
        EXPECT_TRUE(own.acceptDrops());
        // Bound when the window was created; a second bind changes nothing.
        EXPECT_FALSE(target->bind(own));
        EXPECT_FALSE(target->bind(*window));
        EXPECT_FALSE(window->acceptDrops());
    }
    // A drop lands in the slot it is released over, and only there.
    for (int n = 1; n <= 3; ++n) {
        drop_file(n, "blue.png");
        EXPECT_EQ(box(n).picture(), blue) << n;
    }
    EXPECT_EQ(filled(), "FFF...");
    drop_file(6, "blue.png");
    EXPECT_EQ(filled(), "FFF..F");
}

// What each kind of drag offers over a filled slot and what its release
// does. Text, HTML and links are taken and change nothing; a move is
// offered as a copy; Ctrl+Shift offers and does nothing.
TEST_F(DropTest, WhatADragOffersAndWhatItsReleaseDoes) {
    enum After { Unchanged, NewPicture, Emptied };
    struct Row {
        const char* what;
        std::function<std::unique_ptr<QMimeData>(const TempDir&)> data;
        Qt::DropActions allowed;
        Qt::KeyboardModifiers keys;
        Qt::DropAction told;  // IgnoreAction: no drop offered
        After after;
    };
    auto text = [](const TempDir&) {
        auto d = std::make_unique<QMimeData>();
        d->setText("身份证");
        return d;
    };
    auto html = [](const TempDir&) {
        auto d = std::make_unique<QMimeData>();
        d->setHtml("<b>card</b>");
        d->setText("card");
        return d;
    };
    auto moz_link = [](const TempDir&) {
        auto d = std::make_unique<QMimeData>();
        d->setData("text/x-moz-url", QByteArray("h\0t\0t\0p\0:\0/\0/\0x\0", 16));
        return d;
    };
    auto web_link = [](const TempDir&) {
        auto d = std::make_unique<QMimeData>();
        d->setUrls({QUrl("https://example.org/card.png")});
        return d;
    };
    auto image_only = [](const TempDir&) {
        auto d = std::make_unique<QMimeData>();
        d->setData("image/png", QByteArray("\x89PNG", 4));
        return d;
    };
    auto blue_file = [](const TempDir& d) { return files({d / "blue.png"}); };
    auto two_files = [](const TempDir& d) { return files({d / "blue.png", d / "身份证 正面.png"}); };
    auto folder = [](const TempDir& d) { return files({d.path()}); };
    auto missing = [](const TempDir& d) { return files({d / "gone.png"}); };
    auto empty = [](const TempDir& d) {
        write_file(d / "empty.png", {});
        return files({d / "empty.png"});
    };
    const Qt::KeyboardModifiers none{}, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier,
                                ctrl_shift = Qt::ControlModifier | Qt::ShiftModifier;
    const Row rows[] = {
        {"text", text, kAll, none, Qt::CopyAction, Unchanged},
        {"html", html, kAll, none, Qt::CopyAction, Unchanged},
        {"moz link", moz_link, kAll, none, Qt::CopyAction, Unchanged},
        {"web link", web_link, Qt::LinkAction, none, Qt::LinkAction, Unchanged},
        {"an image's data, no file", image_only, kAll, none, Qt::IgnoreAction, Unchanged},
        {"file", blue_file, kAll, none, Qt::CopyAction, NewPicture},
        {"file, Ctrl", blue_file, kAll, ctrl, Qt::CopyAction, NewPicture},
        {"file, Shift: a move told as a copy", blue_file, kAll, shift, Qt::CopyAction, NewPicture},
        {"file, Shift, no copy allowed: told as a link", blue_file, Qt::MoveAction | Qt::LinkAction, shift,
         Qt::LinkAction, NewPicture},
        {"file, nothing but a move allowed", blue_file, Qt::MoveAction, none, Qt::IgnoreAction, NewPicture},
        {"file, Shift, copy only", blue_file, Qt::CopyAction, shift, Qt::IgnoreAction, Unchanged},
        {"file, Ctrl+Shift", blue_file, kAll, ctrl_shift, Qt::IgnoreAction, Unchanged},
        {"two files", two_files, kAll, none, Qt::CopyAction, Emptied},
        {"a folder", folder, kAll, none, Qt::CopyAction, Emptied},
        {"a missing file", missing, kAll, none, Qt::CopyAction, Emptied},
        {"an empty file", empty, kAll, none, Qt::CopyAction, Emptied},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        drop_file(1, "身份证 正面.png");
        ASSERT_EQ(box(1).picture(), red);
        const auto data = r.data(dir);
        const Told told = drag(*window, box(1), *data, r.allowed, r.keys);
        EXPECT_EQ(told.offered, r.told != Qt::IgnoreAction);
        EXPECT_EQ(told.action, r.told);
        EXPECT_FALSE(told.drop_accepted);
        EXPECT_EQ(told.drop_action, Qt::IgnoreAction);
        switch (r.after) {
            case Unchanged: EXPECT_EQ(box(1).picture(), red); break;
            case NewPicture: EXPECT_EQ(box(1).picture(), blue); break;
            case Emptied: EXPECT_FALSE(box(1).has_picture()); break;
        }
        EXPECT_EQ(filled().substr(1), ".....");
        EXPECT_EQ(enabled(), "EEEEEE");
    }
}

// Keys held while the drag rests over a slot change what it offers; the
// kinds it offers are what it held when it entered.
TEST_F(DropTest, TheOfferFollowsTheKeysOnEveryMove) {
    const auto data = files({dir / "blue.png"});
    QWindow* native = window->windowHandle();
    const QPoint at = box(3).mapTo(window, box(3).rect().center());
    QDragEnterEvent enter(at, kAll, data.get(), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(native, &enter);
    const std::pair<Qt::KeyboardModifiers, Qt::DropAction> steps[] = {
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::IgnoreAction},
        {Qt::NoModifier, Qt::CopyAction},
        {Qt::ShiftModifier, Qt::CopyAction},
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::IgnoreAction},
        {Qt::ControlModifier, Qt::CopyAction},
    };
    for (const auto& [keys, told] : steps) {
        QDragMoveEvent move(at, kAll, data.get(), Qt::LeftButton, keys);
        QApplication::sendEvent(native, &move);
        EXPECT_EQ(move.isAccepted() ? move.dropAction() : Qt::IgnoreAction, told) << int(keys);
    }
    QDropEvent drop(QPointF(at), kAll, data.get(), Qt::LeftButton, Qt::ControlModifier);
    QApplication::sendEvent(native, &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(box(3).picture(), blue);
}

// The household rule on the live window, and the clear button: a disabled
// slot offers no drop and nothing beneath it takes the drop instead.
TEST_F(DropTest, ADisabledHouseholdSlotOffersNoDropAndClearKeepsTheMode) {
    drop_file(5, "身份证 正面.png");
    EXPECT_EQ(filled(), "....F.");
    EXPECT_EQ(enabled(), "EEEDED");
    const QImage empty_look = rendered(box(6));

    for (int n : {4, 6}) {
        SCOPED_TRACE(n);
        const Told told = drop_file(n, "blue.png");
        EXPECT_FALSE(told.offered);
        EXPECT_FALSE(told.drop_accepted);
        EXPECT_FALSE(box(n).has_picture());
        // Without a drop, too: only entering and leaving.
        EXPECT_FALSE(drag(*window, box(n), *files({dir / "blue.png"}), kAll, {}, false).offered);
    }
    EXPECT_EQ(filled(), "....F.");
    EXPECT_EQ(enabled(), "EEEDED");
    // Disabled and unmarked: it looks like an enabled empty slot.
    EXPECT_EQ(rendered(box(4)), empty_look);

    drop_file(1, "blue.png");
    click(window->control<QWidget>("按钮3"));
    EXPECT_EQ(filled(), "......");
    EXPECT_EQ(enabled(), "EEEDED");
    EXPECT_FALSE(drop_file(4, "blue.png").offered);
    EXPECT_TRUE(drop_file(5, "blue.png").offered);
    EXPECT_EQ(box(5).picture(), blue);
    EXPECT_EQ(enabled(), "EEEDED");
}

TEST_F(DropTest, AnUnreadableDropOnTheOuterPairKeepsTheMiddleDisabled) {
    drop_file(6, "blue.png");
    EXPECT_EQ(enabled(), "EEEEDE");
    drop_file(4, "身份证 正面.png");
    drop_file(6, "gone.png");
    EXPECT_EQ(filled(), "...F..");
    drop_file(4, "gone.png");
    EXPECT_EQ(filled(), "......");
    EXPECT_EQ(enabled(), "EEEEDE");
    EXPECT_FALSE(drop_file(5, "blue.png").offered);
}

// The drop target on its own: the events of a release in order, with the
// text of FilesDropped made from the file URLs alone.
TEST(QtDropTarget, TheEventsOfAReleaseInOrder) {
    QWidget top;
    top.setGeometry(100, 100, 200, 100);
    QWidget* area = new QWidget(&top);
    area->setGeometry(10, 10, 100, 50);
    std::vector<std::pair<DropEvent, std::string>> raised;
    slots::DropTarget target([&](DropEvent e, std::string& text) { raised.emplace_back(e, text); });
    ASSERT_TRUE(target.bind(*area));
    QWidget other;
    EXPECT_FALSE(target.bind(other));
    EXPECT_FALSE(other.acceptDrops());
    EXPECT_EQ(target.window(), area);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));

    using E = DropEvent;
    struct Row {
        const char* what;
        std::function<void(QMimeData&)> fill;
        std::vector<std::pair<E, std::string>> expected;
    };
    const Row rows[] = {
        {"text", [](QMimeData& d) { d.setText("hello"); }, {{E::Text, ""}}},
        {"text and html", [](QMimeData& d) { d.setText("x"); d.setHtml("<i>x</i>"); }, {{E::Html, ""}}},
        {"one file",
         [](QMimeData& d) { d.setUrls({QUrl::fromLocalFile("/home/u/户口簿 p1.jpg")}); },
         {{E::FilesDropped, "/home/u/户口簿 p1.jpg"}}},
        {"files and a web link",
         [](QMimeData& d) {
             d.setUrls({QUrl::fromLocalFile("/a.jpg"), QUrl("https://example.org/"), QUrl::fromLocalFile("/scans")});
             d.setText("/a.jpg");
         },
         {{E::Text, ""}, {E::Link, ""}, {E::FilesDropped, "/a.jpg\r\n/scans\r\n"}}},
        {"everything",
         [](QMimeData& d) {
             d.setHtml("<p>");
             d.setText("t");
             d.setData("_NETSCAPE_URL", "https://example.org/");
             d.setUrls({QUrl::fromLocalFile("/b.png")});
         },
         {{E::Html, ""}, {E::Link, ""}, {E::FilesDropped, "/b.png"}}},
        {"nothing a slot takes", [](QMimeData& d) { d.setData("application/octet-stream", "x"); }, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        raised.clear();
        QMimeData data;
        r.fill(data);
        drag(top, *area, data);
        EXPECT_EQ(raised, r.expected);
    }
    // Released with Ctrl and Shift: nothing.
    raised.clear();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/b.png")});
    drag(top, *area, data, kAll, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(raised.empty());
}

}  // namespace
}  // namespace tovalin::test
