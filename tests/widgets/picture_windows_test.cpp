// GuideWindow and SponsorWindow opened as a person opens them, from their
// buttons on the live MainWindow: where they land, what they show, what
// MainWindow does meanwhile, and how they go. On a 1920 x 1080 screen
// (picture_window_tests).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

#include "fixture.h"
#include "forms/controls.h"
#include "forms/picture_box.h"

namespace tovalin::test {
namespace {

// The offscreen platform draws a frame of 2 pixels all round, so the
// client area is the outer size less 4 each way. Where the picture lands
// there, by the centring rule (scale s = the smaller ratio, sizes truncated):
struct Case {
    const char* button;
    const char* window;
    QSize outer;
    bool maximisable;
    QRect drawn;  // in the client area
};
const Case kCases[] = {
    // 960 x 525 for 964 x 529: s = 525/529, 964 s = 956.7, 529 s = 525.
    {"按钮5", "GuideWindow", {964, 529}, false, {2, 0, 956, 525}},
    // 596 x 371 for 3967 x 2482: s = 371/2482, 3967 s = 592.97, 2482 s comes
    // out a hair under 371 in floating point and truncates to 370.
    {"按钮4", "SponsorWindow", {600, 375}, true, {2, 0, 592, 370}},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.window; }

// The smallest rectangle holding every pixel that is not the face colour.
QRect painted_rect(forms::Window& w) {
    const QImage shot = rendered(w);
    const QRgb face = w.palette().color(QPalette::Window).rgb();
    QRect r;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != face) r |= QRect(x, y, 1, 1);
    return r;
}

QPoint centred(QSize outer) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return screen.topLeft() + QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
}

class PictureWindowsTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime().load("MainWindow"));
        main = runtime().window("MainWindow");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    }
    void TearDown() override { delete main.data(); }

    // Clicks the case's button and runs `inside` in the modal load, with
    // the window that it opened; `inside` must close it. False when the
    // click returned without `inside` having run.
    bool open(const std::function<void(forms::Window&)>& inside) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            forms::Window* w = runtime().window(GetParam().window);
            ran = true;
            if (!w) return ADD_FAILURE() << "no window opened";
            if (!QTest::qWaitForWindowExposed(w)) ADD_FAILURE() << "not exposed";
            inside(*w);
            // Closed, it goes once the loop is back.
            if (w->isVisible()) {
                ADD_FAILURE() << "left open";
                w->close();
            }
        });
        click(main->control<QWidget>(GetParam().button));
        return ran;
    }

    QPointer<forms::Window> main;
};

TEST_P(PictureWindowsTest, OpensModalCentredWithItsPictureAndEscCloses) {
    const Case& c = GetParam();
    auto* box = main->control<forms::PictureBox>("图片框1");
    box->set_picture(png_bytes(QImage(30, 20, QImage::Format_RGB32)));

    const bool ran = open([&](forms::Window& w) {
        EXPECT_EQ(QApplication::activeModalWidget(), &w);
        EXPECT_EQ(w.parentWidget(), &runtime().owner());  // no taskbar button of its own
        EXPECT_EQ(w.frameGeometry().size(), c.outer);
        EXPECT_EQ(w.frameGeometry().topLeft(), centred(c.outer));
        EXPECT_TRUE(w.windowTitle().trimmed().isEmpty()) << w.windowTitle().toStdString();
        EXPECT_EQ(bool(w.windowFlags() & Qt::WindowMaximizeButtonHint), c.maximisable);
        EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
        // Fixed, or for the maximisable one never smaller than it opens.
        EXPECT_EQ(w.minimumSize(), w.size());
        EXPECT_EQ(w.maximumSize() == w.size(), !c.maximisable);
        for (int s : {16, 32, 48}) EXPECT_TRUE(w.windowIcon().availableSizes().contains(QSize(s, s))) << s;
        EXPECT_TRUE(w.findChildren<QWidget*>().isEmpty());
        EXPECT_EQ(painted_rect(w), c.drawn);

        // MainWindow takes no click: neither the clear button nor a second
        // opening does anything.
        click(main->control<QWidget>("按钮3"));
        EXPECT_TRUE(box->has_picture());
        click(main->control<QWidget>(c.button));
        EXPECT_EQ(runtime().window(c.window), &w);
        int windows = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) windows += top->objectName() == QLatin1String(c.window);
        EXPECT_EQ(windows, 1);

        QTest::keyClick(&w, Qt::Key_Escape);
    });
    ASSERT_TRUE(ran);
    EXPECT_EQ(runtime().window(c.window), nullptr);
    // The click handler's load has returned, and MainWindow takes input.
    click(main->control<QWidget>("按钮3"));
    EXPECT_FALSE(box->has_picture());
}

TEST_P(PictureWindowsTest, EveryOpeningIsAFreshWindowCentredAgain) {
    const QSize outer = GetParam().outer;
    QPointer<forms::Window> first;
    ASSERT_TRUE(open([&](forms::Window& w) {
        first = &w;
        w.move(w.pos() + QPoint(100, 60));
        QCoreApplication::processEvents();
        EXPECT_EQ(w.frameGeometry().topLeft(), centred(outer) + QPoint(100, 60));
        w.close();
    }));
    EXPECT_FALSE(first);  // destroyed, not hidden
    ASSERT_TRUE(open([&](forms::Window& w) {
        EXPECT_EQ(w.frameGeometry().topLeft(), centred(outer));
        EXPECT_EQ(w.frameGeometry().size(), outer);
        w.close();
    }));
}

INSTANTIATE_TEST_SUITE_P(, PictureWindowsTest, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.window); });

class SponsorWindowTest : public PictureWindowsTest {};

TEST_P(SponsorWindowTest, MaximisedItDrawsThePictureLargerAndCentred) {
    ASSERT_TRUE(open([&](forms::Window& w) {
        const QSize normal = w.size();
        w.showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.size() != normal; }));
        // The screen's work area less the frame: 1916 x 1076, where
        // s = 1076/2482 draws 1719 x 1076 (3967 s = 1719.8), 98 across.
        ASSERT_EQ(w.size(), QGuiApplication::primaryScreen()->availableGeometry().size() - QSize(4, 4));
        ASSERT_EQ(w.size(), QSize(1916, 1076));
        EXPECT_EQ(painted_rect(w), QRect(98, 0, 1719, 1076));

        w.showNormal();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.size() == normal; }));
        EXPECT_EQ(painted_rect(w), GetParam().drawn);
        w.close();
    }));
}

INSTANTIATE_TEST_SUITE_P(, SponsorWindowTest, ::testing::Values(kCases[1]),
                         [](const auto& row) { return std::string(row.param.window); });

// What the windows draw is the committed file itself, embedded whole.
TEST(BuiltInPictures, TheProgramCarriesTheCommittedFiles) {
    for (const char* name : {"guide.png", "sponsor.png"}) {
        SCOPED_TRACE(name);
        QFile embedded(QStringLiteral(":/pictures/") + QLatin1String(name));
        QFile committed(QStringLiteral(TOVALIN_SOURCE_DIR "/assets/pictures/") + QLatin1String(name));
        ASSERT_TRUE(embedded.open(QIODevice::ReadOnly));
        ASSERT_TRUE(committed.open(QIODevice::ReadOnly));
        EXPECT_TRUE(embedded.readAll() == committed.readAll());
    }
}

}  // namespace
}  // namespace tovalin::test
