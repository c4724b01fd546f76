// The forms runtime on small windows of its own: loading, the created
// event, modal loads, the end of the loop, events and properties.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "fixture.h"
#include "forms/controls.h"
#include "forms/picture_box.h"

namespace tovalin::test {
namespace {

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override { log() = {}; }
    void TearDown() override {
        for (const char* name : {"Probe", "Dialog", "Other", "Backdrop"}) delete runtime().window(name);
    }
};

TEST_F(RuntimeTest, CreatedComesAfterEveryControlAndBeforeTheWindowIsShown) {
    ASSERT_TRUE(runtime().load("Probe"));
    EXPECT_EQ(log().probe_created, 1);
    EXPECT_TRUE(log().all_controls_existed);
    EXPECT_TRUE(log().window_was_hidden);
    EXPECT_TRUE(log().controls_were_shown);
    EXPECT_TRUE(runtime().window("Probe")->isVisible());
}

TEST_F(RuntimeTest, LoadingALoadedWindowOnlyBringsItBack) {
    ASSERT_TRUE(runtime().load("Probe"));
    forms::Window* first = runtime().window("Probe");
    first->showMinimized();
    ASSERT_TRUE(runtime().load("Probe"));
    EXPECT_EQ(runtime().window("Probe"), first);
    EXPECT_EQ(log().probe_created, 1);
    EXPECT_FALSE(first->isMinimized());
}

TEST_F(RuntimeTest, WindowsThatCannotBeBuiltAreNotLoaded) {
    for (const char* name : {"NoSuchWindow", "Broken"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(runtime().load(name));
        EXPECT_EQ(runtime().window(name), nullptr);
    }
    EXPECT_TRUE(QApplication::topLevelWidgets().size() <= 1);  // the owner, never shown
}

TEST_F(RuntimeTest, AModalLoadWaitsAndKeepsTheOtherWindowsFromInput) {
    ASSERT_TRUE(runtime().load("Probe"));
    forms::Window* probe = runtime().window("Probe");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(probe));
    auto* open = probe->control<forms::Button>("按钮1");
    auto* count = probe->control<forms::Button>("按钮2");

    bool checked = false;
    QTimer::singleShot(0, [&] {
        // Inside the modal load: the dialog is up, the load has not returned.
        forms::Window* dialog = runtime().window("Dialog");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        EXPECT_EQ(dialog->parentWidget(), &runtime().owner());
        EXPECT_EQ(log().entries.back(), "open Dialog");
        click(count);
        EXPECT_EQ(log().probe_clicks, 0);
        // Kept from input, not drawn greyed out.
        EXPECT_TRUE(probe->isEnabled());
        EXPECT_TRUE(count->isEnabled());
        checked = true;
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    click(open);
    EXPECT_TRUE(checked);
    EXPECT_EQ(log().entries,
              (std::vector<std::string>{"Probe created", "open Dialog", "Dialog destroyed", "Dialog load returned true"}));
    EXPECT_EQ(runtime().window("Dialog"), nullptr);

    // Input is back, and the next click makes a fresh dialog.
    click(count);
    EXPECT_EQ(log().probe_clicks, 1);
    QTimer::singleShot(0, [] { runtime().window("Dialog")->close(); });
    click(open);
    EXPECT_EQ(log().dialog_created, 2);
}

TEST_F(RuntimeTest, TheLoopEndsWhenTheLastLoadedWindowIsGone) {
    runtime().run();  // nothing loaded: returns at once

    ASSERT_TRUE(runtime().load("Probe"));
    ASSERT_TRUE(runtime().load("Other"));
    bool running_after_first = false;
    QTimer::singleShot(0, [&] {
        runtime().window("Other")->close();
        QTimer::singleShot(10, [&] {
            running_after_first = runtime().window("Other") == nullptr && runtime().window("Probe") != nullptr;
            runtime().window("Probe")->close();
        });
    });
    run_guarded();
    EXPECT_TRUE(running_after_first);
    EXPECT_EQ(runtime().window("Probe"), nullptr);
}

TEST_F(RuntimeTest, FilesDroppedHandsTheTextByReference) {
    ASSERT_TRUE(runtime().load("Probe"));
    std::string text = "/home/someone/身份证.jpg";
    runtime().window("Probe")->control<forms::DropTarget>("拖放对象1")->raise_files_dropped(text);
    EXPECT_EQ(log().entries.back(), "dropped /home/someone/身份证.jpg");
    EXPECT_EQ(text, "changed by the handler");
}

TEST_F(RuntimeTest, DisabledControlsTakeNoInput) {
    ASSERT_TRUE(runtime().load("Probe"));
    forms::Window* probe = runtime().window("Probe");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(probe));
    probe->set_disabled("按钮2", true);
    probe->set_disabled("图片框1", true);
    EXPECT_TRUE(probe->disabled("按钮2"));
    EXPECT_TRUE(probe->disabled("图片框1"));
    click(probe->control<QWidget>("按钮2"));
    EXPECT_EQ(log().probe_clicks, 0);
    probe->set_disabled("按钮2", false);
    EXPECT_FALSE(probe->disabled("按钮2"));
    click(probe->control<QWidget>("按钮2"));
    EXPECT_EQ(log().probe_clicks, 1);
}

TEST_F(RuntimeTest, ValuesReadAreCopies) {
    ASSERT_TRUE(runtime().load("Probe"));
    forms::Window* probe = runtime().window("Probe");
    auto* box = probe->control<forms::PictureBox>("图片框1");
    std::vector<std::uint8_t> bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    box->set_picture(bytes);
    std::vector<std::uint8_t> read = box->picture();
    EXPECT_EQ(read, bytes);
    read[0] = 'N';
    bytes[1] = 'O';
    EXPECT_EQ(box->picture(), (std::vector<std::uint8_t>{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}));
    box->set_picture(std::vector<std::uint8_t>{});
    EXPECT_FALSE(box->has_picture());
    EXPECT_TRUE(box->picture().empty());
}

TEST_F(RuntimeTest, BackgroundPictureIsCentredAndFitted) {
    ASSERT_TRUE(runtime().load("Backdrop"));
    forms::Window* w = runtime().window("Backdrop");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    // The offscreen platform's frame is 2 pixels all round, which leaves
    // 196 x 96 of the 200 x 100: the 400 x 100 picture goes in at 196 x 49,
    // 23 rows down.
    ASSERT_EQ(w->frameGeometry().size(), QSize(200, 100));
    ASSERT_EQ(w->size(), QSize(196, 96));
    const QImage shot = rendered(*w);
    const QRgb face = w->palette().color(QPalette::Window).rgb();
    const QRgb picture = qRgb(0xC0, 0, 0);
    for (int y = 0; y < 96; ++y) {
        SCOPED_TRACE(y);
        const QRgb want = y >= 23 && y < 72 ? picture : face;
        for (int x : {0, 98, 195}) ASSERT_EQ(shot.pixel(x, y), want) << x;
    }
}

TEST_F(RuntimeTest, ButtonTextWrapsOntoMoreLines) {
    forms::Button button(QString::fromUtf8("身份证银行卡社保卡户口簿使用说明"));
    QFont font = button.font();
    font.setPixelSize(21);
    button.setFont(font);
    button.resize(157, 80);
    const QImage shot = rendered(button);
    // Rows holding text, told from the button face by their darkness.
    int first = -1, last = -1;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 8; x < shot.width() - 8; ++x)
            if (qGray(shot.pixel(x, y)) < 80) {
                if (first < 0) first = y;
                last = y;
            }
    ASSERT_GE(first, 0);
    EXPECT_GT(last - first, 30) << "one line of 21-pixel text is about 24 rows";
}

}  // namespace
}  // namespace tovalin::test
