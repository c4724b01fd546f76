// MainWindow as it is built, against its table: every control's place,
// size, parent, text, font and stacking, the window's own settings, and
// the keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTimer>
#include <QWhatsThis>
#include <set>

#include "app/main_window.h"
#include "fixture.h"
#include "forms/controls.h"
#include "forms/picture_box.h"

namespace tovalin::test {
namespace {

using forms::Kind;

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime().load("MainWindow"));
        window = runtime().window("MainWindow");
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    void TearDown() override { delete window.data(); }

    QWidget* widget(std::string_view name) const { return window->control<QWidget>(name); }

    QPointer<forms::Window> window;
};

TEST_F(MainWindowTest, EveryControlIsWhereItsRowSays) {
    for (const forms::Control& row : app::main_window_controls) {
        SCOPED_TRACE(std::string(row.name));
        QWidget* w = widget(row.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->objectName(), qs(row.name));
        EXPECT_EQ(w->parentWidget(), row.parent.empty() ? window.data() : widget(row.parent));
        EXPECT_EQ(w->geometry(), QRect(row.place.x, row.place.y, row.size.width, row.size.height));
        EXPECT_EQ(w->mapTo(window, QPoint(0, 0)), QPoint(row.in_window.x, row.in_window.y));
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(w->isEnabled());
        switch (row.kind) {
            case Kind::Button: {
                auto* b = qobject_cast<forms::Button*>(w);
                ASSERT_NE(b, nullptr);
                EXPECT_EQ(b->text(), qs(row.text));
                EXPECT_FALSE(b->isDefault());
                EXPECT_FALSE(b->autoDefault());
                break;
            }
            case Kind::Label: {
                auto* l = qobject_cast<QLabel*>(w);
                ASSERT_NE(l, nullptr);
                EXPECT_EQ(l->text(), qs(row.text));
                EXPECT_EQ(l->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
                EXPECT_FALSE(l->wordWrap());
                break;
            }
            case Kind::GroupBox: {
                auto* g = qobject_cast<QGroupBox*>(w);
                ASSERT_NE(g, nullptr);
                EXPECT_EQ(g->title(), qs(row.text));
                break;
            }
            case Kind::PictureBox: {
                auto* p = qobject_cast<forms::PictureBox*>(w);
                ASSERT_NE(p, nullptr);
                EXPECT_FALSE(p->has_picture());
                EXPECT_EQ(p->focusPolicy(), Qt::NoFocus);
                break;
            }
        }
    }
}

TEST_F(MainWindowTest, ButtonsResolveToABoldChineseFaceAtTheirPixelSize) {
    for (const forms::Control& row : app::main_window_controls) {
        SCOPED_TRACE(std::string(row.name));
        const QFontInfo info(widget(row.name)->font());
        if (row.font.is_default()) {
            EXPECT_EQ(widget(row.name)->font(), QApplication::font());
            continue;
        }
        // What fontconfig actually handed back, not what was asked for.
        EXPECT_TRUE(QFontDatabase::writingSystems(info.family()).contains(QFontDatabase::SimplifiedChinese))
            << info.family().toStdString();
        EXPECT_TRUE(info.bold());
        EXPECT_FALSE(info.italic());
        EXPECT_EQ(info.pixelSize(), row.font.pixel_size);
    }
    EXPECT_EQ(QFontInfo(widget("按钮1")->font()).pixelSize(), 21);
    EXPECT_EQ(QFontInfo(widget("按钮5")->font()).pixelSize(), 14);
}

TEST_F(MainWindowTest, EarlierRowsLieOnTopOfLaterOnes) {
    // Qt keeps siblings bottom first.
    std::set<QWidget*> parents;
    for (const forms::Control& row : app::main_window_controls) parents.insert(widget(row.name)->parentWidget());
    for (QWidget* parent : parents) {
        SCOPED_TRACE(parent->objectName().toStdString());
        QStringList expected, actual;
        for (const forms::Control& row : app::main_window_controls)
            if (widget(row.name)->parentWidget() == parent) expected.prepend(qs(row.name));
        for (QObject* child : parent->children())
            if (child->isWidgetType() && expected.contains(child->objectName())) actual << child->objectName();
        EXPECT_EQ(actual, expected);
    }
    // And what the mouse finds: the slots and print buttons, not the group
    // boxes drawn behind them.
    for (std::string_view name : {"图片框1", "图片框6", "按钮1", "按钮2", "按钮5", "银行卡"}) {
        SCOPED_TRACE(std::string(name));
        QWidget* w = widget(name);
        EXPECT_EQ(window->childAt(w->mapTo(window, w->rect().center())), w);
    }
}

TEST_F(MainWindowTest, WindowSettings) {
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Tovalin  by：Quessel Pendrick专用"));
    // The outer size, whatever frame the platform draws (offscreen: 2 pixels).
    EXPECT_EQ(window->frameGeometry().size(), QSize(340, 490));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_EQ(window->parentWidget(), nullptr);  // its own taskbar button

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window->frameGeometry().topLeft(),
              screen.topLeft() + QPoint((screen.width() - 340) / 2, (screen.height() - 490) / 2));

    const QList<QSize> sizes = window->windowIcon().availableSizes();
    for (int s : {16, 32, 48}) EXPECT_TRUE(sizes.contains(QSize(s, s))) << s;
}

TEST_F(MainWindowTest, GroupCaptionsAreCentredOverTheirFrames) {
    for (std::string_view name : {"分组框1", "分组框2"}) {
        SCOPED_TRACE(std::string(name));
        auto* g = window->control<QGroupBox>(name);
        QStyleOptionGroupBox option;
        option.initFrom(g);
        option.text = g->title();
        option.textAlignment = g->alignment();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, g);
        EXPECT_GT(label.width(), 0);
        EXPECT_LE(std::abs(label.center().x() * 2 - g->width()), 2) << label.x() << " " << label.width();
    }
    EXPECT_TRUE(window->control<QGroupBox>("分组框3")->title().isEmpty());
}

TEST_F(MainWindowTest, NonVisualComponentsExist) {
    auto* printer = window->control<forms::Printer>("打印机1");
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(printer->job_name(), "");
    for (int i = 1; i <= 6; ++i) {
        const std::string name = "拖放对象" + std::to_string(i);
        EXPECT_NE(window->control<forms::DropTarget>(name), nullptr) << name;
    }
}

TEST_F(MainWindowTest, TabGoesRoundTheFiveButtons) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    widget("按钮1")->setFocus();
    QStringList forward, backward;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forward << QApplication::focusWidget()->objectName();
    }
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        backward << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(forward, QStringList({"按钮2", "按钮3", "按钮4", "按钮5", "按钮1"}));
    EXPECT_EQ(backward, QStringList({"按钮5", "按钮4", "按钮3", "按钮2", "按钮1"}));
}

TEST_F(MainWindowTest, EnterAndF1DoNothingEscapeCloses) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    widget("按钮1")->setFocus();
    QSignalSpy clicks(window->control<forms::Button>("按钮1"), &QPushButton::clicked);
    QTest::keyClick(widget("按钮1"), Qt::Key_Return);
    QTest::keyClick(widget("按钮1"), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(widget("按钮1"), Qt::Key_F1);
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());

    // Closing destroys the window; the loop ends with nothing left loaded.
    QTimer::singleShot(0, [this] { QTest::keyClick(widget("按钮1"), Qt::Key_Escape); });
    run_guarded();
    EXPECT_FALSE(window);
    EXPECT_EQ(runtime().window("MainWindow"), nullptr);
}

}  // namespace
}  // namespace tovalin::test
