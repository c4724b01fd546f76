// A drag source that behaves as a file manager does: a small window that,
// when dragged from, offers one file as a file: URL with copy, move and
// link allowed, and deletes the file when the drag reports that it was
// moved. It prints what the drag reported ("exec: copy", "exec: move",
// "exec: link" or "exec: ignore"), and "deleted" when it removed the file,
// then ends a little later.
//   drag_source FILE TITLE X Y
#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

const char* name_of(Qt::DropAction action) {
    switch (action) {
        case Qt::CopyAction: return "copy";
        case Qt::MoveAction: return "move";
        case Qt::LinkAction: return "link";
        case Qt::IgnoreAction: return "ignore";
        default: return "other";
    }
}

class Source : public QWidget {
public:
    explicit Source(QString file) : file_(std::move(file)) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) pressed_at_ = event->position().toPoint();
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton) || started_) return;
        if ((event->position().toPoint() - pressed_at_).manhattanLength() < QApplication::startDragDistance()) return;
        started_ = true;
        auto* offered = new QMimeData;
        offered->setUrls({QUrl::fromLocalFile(file_)});
        auto* drag = new QDrag(this);
        drag->setMimeData(offered);
        const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
        std::printf("exec: %s\n", name_of(result));
        // What a file manager does once the other side says it took the file.
        if (result == Qt::MoveAction && QFile::remove(file_)) std::printf("deleted\n");
        std::fflush(stdout);
        // The drop's data is fetched from here after exec() has returned:
        // stay a while to hand it over, as a file manager would.
        QTimer::singleShot(2000, qApp, &QApplication::quit);
    }

private:
    QString file_;
    QPoint pressed_at_;
    bool started_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: drag_source FILE TITLE X Y\n");
        return 2;
    }
    Source source(QFile::decodeName(argv[1]));
    source.setWindowTitle(QString::fromUtf8(argv[2]));
    source.setGeometry(QString::fromUtf8(argv[3]).toInt(), QString::fromUtf8(argv[4]).toInt(), 200, 120);
    QPalette palette = source.palette();
    palette.setColor(QPalette::Window, Qt::darkBlue);
    source.setPalette(palette);
    source.setAutoFillBackground(true);
    source.show();
    return app.exec();
}
