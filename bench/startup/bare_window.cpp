// The yardstick: a bare Qt window of the main window's size, title and
// place, with nothing in it; with --text, one line of bold CJK text in it,
// which is what it costs to bring up the font system for such a face.
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <cstring>

#include "first_paint.h"

BENCH_WATCH_FIRST_PAINT()

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setObjectName(QStringLiteral("MainWindow"));
    window.setWindowTitle(QStringLiteral("Tovalin  by：Quessel Pendrick专用"));
    window.setFixedSize(340, 490);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* label = new QLabel(QString::fromUtf8("打印"), &window);
        QFont font;
        font.setFamilies({QString::fromUtf8("黑体"), "SimHei", "Noto Sans CJK SC", "WenQuanYi Zen Hei", "sans-serif"});
        font.setPixelSize(21);
        font.setBold(true);
        label->setFont(font);
        label->setGeometry(7, 335, 150, 56);
    }
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.move((screen.width() - 340) / 2, (screen.height() - 490) / 2);
    window.show();
    return app.exec();
}
