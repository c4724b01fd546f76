// The print tests: the print command as a user meets it, its dialogs
// answered by the test, under Qt's offscreen platform unless another is asked
// for.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    // Qt's own dialogs whatever the desktop, so that the test can reach
    // their widgets.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
