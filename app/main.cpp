#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tovalin  by：Quessel Pendrick专用"));
    window.setFixedSize(340, 490);
    window.show();
    return app.exec();
}
