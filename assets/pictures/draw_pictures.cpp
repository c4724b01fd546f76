// Draws the two built-in pictures into a folder: the guide picture, around
// MainWindow as the program itself draws it, and the sponsorship notice.
// make-pictures runs it under the offscreen platform; the PNGs it writes
// are committed and embedded, so the program never needs this.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>
#include <QtCore/qresource.h>
#include <array>
#include <cstdio>
#include <filesystem>

#include "app/main_window.h"
#include "forms/runtime.h"
#include "forms/window.h"

static void load_assets() { Q_INIT_RESOURCE(assets); }

namespace {

using namespace tovalin;

// The face the notes are written in: the CJK sans-serif the program's
// buttons fall back to.
const QString kFace = QStringLiteral("Noto Sans CJK SC");

const QColor kInk(0x22, 0x2B, 0x22);
const QColor kGreen(0x2F, 0x4F, 0x2F);       // the icon's dark green
const QColor kSlotGreen(0x80, 0xA0, 0x80);   // the slots' grey-green
const QColor kBadge(0xD2, 0x2E, 0x2A);       // the circled numbers

QFont face(int pixels, bool bold = false) {
    QFont f(kFace);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// A circled number: white on red with a white rim, as drawn over the
// controls of the window picture.
void draw_badge(QPainter& p, QPointF centre, int number) {
    constexpr qreal r = 13;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(kBadge);
    p.drawEllipse(centre, r, r);
    p.setPen(Qt::white);
    p.setFont(face(17, true));
    p.drawText(QRectF(centre.x() - r, centre.y() - r - 1, 2 * r, 2 * r), Qt::AlignCenter, QString::number(number));
    p.restore();
}

// MainWindow's client area as the program draws it, in a frame of our own
// drawing: a 3-pixel border and a title bar with the icon, the caption and
// the minimise and close boxes, 340 x 490 in all as the window's table says.
QImage main_window_picture(forms::Window& window) {
    constexpr int border = 3, title = 23;
    const QSize outer(app::main_window.settings.outer.width, app::main_window.settings.outer.height);
    const QSize client(outer.width() - 2 * border, outer.height() - 2 * border - title);
    window.setFixedSize(client);
    const QImage inside = window.grab().toImage();

    QImage picture(outer, QImage::Format_ARGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor frame(0x3E, 0x5A, 0x6E);
    p.fillRect(picture.rect(), frame);
    p.setPen(QColor(0x22, 0x33, 0x40));
    p.drawRect(QRectF(0.5, 0.5, outer.width() - 1, outer.height() - 1));
    p.drawImage(border, border + title, inside);

    const QRect bar(border, border, client.width(), title);
    window.windowIcon().paint(&p, QRect(bar.x() + 3, bar.y() + (title - 16) / 2, 16, 16));
    p.setPen(Qt::white);
    QFont caption = QApplication::font();
    caption.setPixelSize(13);
    caption.setBold(true);
    p.setFont(caption);
    p.drawText(bar.adjusted(24, 0, -50, 0), Qt::AlignLeft | Qt::AlignVCenter, window.windowTitle());
    // The minimise box and the close box.
    const int box = title - 6;
    const QRect close(bar.right() - box - 1, bar.y() + 3, box, box);
    const QRect minimise = close.translated(-box - 4, 0);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(minimise.left() + 4, minimise.bottom() - 4, minimise.right() - 4, minimise.bottom() - 4);
    p.drawLine(close.topLeft() + QPoint(4, 4), close.bottomRight() - QPoint(4, 4));
    p.drawLine(close.topRight() + QPoint(-4, 4), close.bottomLeft() + QPoint(4, -4));

    // The numbers: the six slots in their middles, the print buttons and the
    // clear button at their left ends, clear of their text.
    const QPoint origin(border, border + title);
    auto centre_of = [&](std::string_view name) {
        const QWidget* w = window.control<QWidget>(name);
        return QPointF(origin + w->mapTo(&window, w->rect().center()));
    };
    auto left_of = [&](std::string_view name) {
        const QWidget* w = window.control<QWidget>(name);
        const QPoint left = w->mapTo(&window, QPoint(0, w->height() / 2));
        return QPointF(origin + left + QPoint(22, 0));
    };
    constexpr std::array<std::string_view, 6> slots{"图片框1", "图片框2", "图片框3", "图片框4", "图片框5", "图片框6"};
    for (std::size_t i = 0; i < slots.size(); ++i) draw_badge(p, centre_of(slots[i]), static_cast<int>(i) + 1);
    draw_badge(p, left_of("按钮1"), 7);
    draw_badge(p, left_of("按钮2"), 8);
    draw_badge(p, left_of("按钮3"), 9);
    return picture;
}

// The notes beside the window picture. Circled numbers in the text are
// drawn in the badges' red.
QString guide_notes() {
    const QString n = QStringLiteral("<span style='color:%1; font-weight:bold'>%2</span>").arg(kBadge.name());
    auto num = [&](const char* digits) { return n.arg(QString::fromUtf8(digits)); };
    return QStringLiteral(
               "<div style='font-size:27px; font-weight:bold; color:%1'>使用说明</div>"
               "<p style='margin-top:6px'>把证件的扫描件或照片从桌面或文件管理器拖到方框里，再按下面的“打印”，"
               "每组三张按原大打印在一张 A4 纸上。</p>"
               "<p style='margin-top:7px'><b>左边 %2%3%4：卡片，8.56 × 5.4 厘米</b><br>身份证、银行卡、社保卡</p>"
               "<p style='margin-top:5px'><b>右边 %5%6%7：户口簿页，14.3 × 10.5 厘米</b></p>"
               "<p style='margin-top:7px'><b>常用放法</b><br>"
               "• 一张卡片：放在 %3<br>"
               "• 身份证正反面：正面放 %2，反面放 %4<br>"
               "• 身份证正反面加一张银行卡：%2%3%4 都放<br>"
               "• 一页户口簿：放在 %6<br>"
               "• 户主页和一页成员页：放在 %5 和 %7</p>"
               "<p style='margin-top:7px'><b>为什么 %6 和 %5%7 不能同时放</b><br>"
               "为了按 1:1 原大打印，中间的户口簿页会和上下两页重叠，所以 %6 放了图片，%5%7 就不能再放；"
               "%5 或 %7 放了图片，%6 就不能再放。</p>"
               "<p style='margin-top:7px'>%8 打印左边三张，%9 打印右边三张；%10 清空所有图片。</p>")
        .arg(kGreen.name(), num("①"), num("②"), num("③"), num("④"), num("⑤"), num("⑥"), num("⑦"), num("⑧"))
        .arg(num("⑨"));
}

// 964 x 529, RGB with alpha, every pixel opaque. White paper, so that the
// bands of face colour the window leaves around it show.
QImage guide_picture(forms::Window& window) {
    QImage picture(964, 529, QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QImage shot = main_window_picture(window);
    const QPoint at(16, (picture.height() - shot.height()) / 2);
    p.drawImage(at, shot);

    QTextDocument notes;
    notes.setDefaultFont(face(15));
    notes.setDefaultStyleSheet(QStringLiteral("body { color: %1; line-height: 118%; }").arg(kInk.name()));
    notes.setDocumentMargin(0);
    const int left = at.x() + shot.width() + 30;
    notes.setTextWidth(picture.width() - left - 24);
    notes.setHtml(QStringLiteral("<body>%1</body>").arg(guide_notes()));
    const int top = std::max(12, (picture.height() - static_cast<int>(notes.size().height())) / 2);
    p.translate(left, top);
    notes.drawContents(&p);
    p.end();
    if (notes.size().height() + top > picture.height())
        std::fprintf(stderr, "the notes run off the picture by %d pixels\n",
                     static_cast<int>(notes.size().height()) + top - picture.height());
    return picture;
}

// The program's icon (assets/icon/make-icon) on a 48-unit grid, at any size.
void draw_icon(QPainter& p, QRectF into) {
    p.save();
    p.translate(into.topLeft());
    p.scale(into.width() / 48, into.height() / 48);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kGreen, 2));
    p.setBrush(kSlotGreen);
    p.drawRoundedRect(QRectF(2, 9, 43, 30), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 15, 12, 16));
    p.setBrush(kGreen);
    p.drawRect(QRectF(23, 17, 17, 2));
    p.drawRect(QRectF(23, 24, 13, 2));
    p.drawRect(QRectF(23, 31, 17, 2));
    p.restore();
}

// 3967 x 2482, RGB: the notice, laid out to be read when the window shows
// it reduced to about a seventh.
QImage sponsor_picture() {
    QImage picture(3967, 2482, QImage::Format_RGB32);
    const QColor paper(0xFB, 0xF6, 0xEC);
    picture.fill(paper);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // A band of the slots' grey-green along the top and bottom edges.
    p.fillRect(QRect(0, 0, picture.width(), 150), kSlotGreen);
    p.fillRect(QRect(0, picture.height() - 150, picture.width(), 150), kSlotGreen);

    // The icon, large, on a pale disc, with a heart over its corner.
    const QPointF disc(1000, 1241);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xEE, 0xE6, 0xD2));
    p.drawEllipse(disc, 720, 720);
    draw_icon(p, QRectF(disc.x() - 560, disc.y() - 560, 1120, 1120));
    QPainterPath heart;
    const QPointF h(disc.x() + 380, disc.y() + 330);
    constexpr qreal s = 260;
    heart.moveTo(h.x(), h.y() + s * 0.9);
    heart.cubicTo(h.x() - s * 1.3, h.y() + s * 0.1, h.x() - s * 0.8, h.y() - s * 1.0, h.x(), h.y() - s * 0.35);
    heart.cubicTo(h.x() + s * 0.8, h.y() - s * 1.0, h.x() + s * 1.3, h.y() + s * 0.1, h.x(), h.y() + s * 0.9);
    p.setPen(QPen(paper, 36));
    p.setBrush(kBadge);
    p.drawPath(heart);

    QTextDocument notice;
    notice.setDefaultFont(face(92));
    notice.setDefaultStyleSheet(QStringLiteral("body { color: %1; line-height: 125%; }").arg(kInk.name()));
    notice.setDocumentMargin(0);
    notice.setTextWidth(1850);
    notice.setHtml(QStringLiteral(
                       "<body>"
                       "<div style='font-size:230px; font-weight:bold; color:%1'>赞助作者</div>"
                       "<div style='font-size:125px; margin-top:10px'>感谢您使用 Tovalin！</div>"
                       "<p style='margin-top:80px'>Tovalin 把证件按原大打印在一张 A4 纸上，<br>"
                       "不保存任何设置，也不改动您交给它的文件。</p>"
                       "<p style='margin-top:50px'>如果它帮到了您，欢迎这样支持作者：</p>"
                       "<p style='margin-top:20px'>• 推荐给需要打印证件的朋友<br>"
                       "• 把遇到的问题和想法告诉作者<br>"
                       "• 打印后量一量尺寸，看看是否准确</p>"
                       "<p style='margin-top:70px; font-size:100px; color:%1' align='right'>—— Quessel Pendrick</p>"
                       "</body>")
                       .arg(kGreen.name()));
    const QPointF at(1950, (picture.height() - notice.size().height()) / 2);
    if (at.y() < 160) std::fprintf(stderr, "the notice runs into the bands\n");
    p.translate(at);
    notice.drawContents(&p);
    return picture;
}

bool save(const QImage& image, const QString& path) {
    QImageWriter writer(path, "png");
    writer.setQuality(0);  // the smallest file zlib can make
    if (writer.write(image)) return true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    // The runtime makes the program's folder the current one.
    const QString folder = QString::fromStdString(std::filesystem::absolute(argv[1]).string());
    load_assets();
    static constexpr std::array<const forms::WindowTable*, 1> windows{&app::main_window};
    forms::Runtime runtime(argc, argv, windows);
    if (!QFontDatabase::families().contains(kFace)) {
        std::fprintf(stderr, "%s is not installed (fonts-noto-cjk)\n", qPrintable(kFace));
        return 1;
    }
    if (!runtime.load("MainWindow")) return 1;
    forms::Window* window = runtime.window("MainWindow");

    const bool ok = save(guide_picture(*window), QDir(folder).filePath("guide.png")) &&
                    save(sponsor_picture(), QDir(folder).filePath("sponsor.png"));
    delete window;
    return ok ? 0 : 1;
}
