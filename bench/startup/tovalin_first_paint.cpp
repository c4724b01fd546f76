// The program as main() starts it, reporting its first paint. Given a
// folder, it then writes the six photos in it (sorted by name) to the six
// picture boxes before it reports, so that the memory it reports is that of
// a window with six photos in its slots.
#include <QDir>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/startup.h"
#include "app/windows.h"
#include "first_paint.h"
#include "forms/picture_box.h"
#include "forms/window.h"

BENCH_WATCH_FIRST_PAINT()

int main(int argc, char** argv) {
    if (argc > 1) {
        const QString folder = QString::fromLocal8Bit(argv[1]);
        bench::before_report = [folder](QWidget& w) {
            auto* window = qobject_cast<tovalin::forms::Window*>(&w);
            const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
            for (int i = 0; i < 6 && i < files.size(); ++i) {
                std::ifstream in(QDir(folder).filePath(files[i]).toStdString(), std::ios::binary);
                std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
                window->control<tovalin::forms::PictureBox>("图片框" + std::to_string(i + 1))->set_picture(std::move(bytes));
            }
            window->repaint();
        };
        argc = 1;
    }
    return tovalin::app::start(argc, argv, tovalin::app::window_set);
}
