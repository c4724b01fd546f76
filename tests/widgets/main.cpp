// Widget tests: the real widgets of the forms runtime, under Qt's offscreen
// platform whatever desktop they are run from.
#include <gtest/gtest.h>

#include <QtCore/qresource.h>
#include <QtGlobal>

namespace tovalin::test {
void start_runtime(int& argc, char** argv);
void stop_runtime();
}  // namespace tovalin::test

// The program's icon lives in its library; the tests' own pictures are in
// this executable and need no call.
static void load_resources() { Q_INIT_RESOURCE(assets); }

int main(int argc, char** argv) {
#ifdef TOVALIN_TEST_SCREEN
    // The offscreen platform with a screen as large as a desktop's, from
    // the platform's own description file.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" TOVALIN_TEST_SCREEN);
#else
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    testing::InitGoogleTest(&argc, argv);
    // A death test starts this program afresh rather than forking one whose
    // toolkit is already running.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    load_resources();
    tovalin::test::start_runtime(argc, argv);
    const int status = RUN_ALL_TESTS();
    tovalin::test::stop_runtime();
    return status;
}
