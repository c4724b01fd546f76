#include "forms/window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "forms/controls.h"
#include "forms/fonts.h"
#include "forms/frame.h"
#include "forms/owned.h"
#include "forms/picture_box.h"

namespace tovalin::forms {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

Qt::WindowFlags frame_flags(const WindowSettings& s) {
    // A fixed frame with a title bar, a system menu and a close box; the
    // minimise and maximise boxes as the settings say.
    Qt::WindowFlags f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint;
    if (s.minimise_box) f |= Qt::WindowMinimizeButtonHint;
    if (s.maximise_box) f |= Qt::WindowMaximizeButtonHint;
    return f;
}

// Each file of the folder is one size of the icon. A file named by its
// size ("16.png") is not opened until that size is wanted; others are read
// to learn theirs.
QIcon icon_from(std::string_view folder) {
    QIcon icon;
    if (folder.empty()) return icon;
    const QDir dir(qs(folder));
    for (const QString& file : dir.entryList(QDir::Files, QDir::Name)) {
        bool named_by_size = false;
        const int side = QFileInfo(file).completeBaseName().toInt(&named_by_size);
        icon.addFile(dir.filePath(file), named_by_size ? QSize(side, side) : QSize());
    }
    return icon;
}

// Qt shows the program's name in a title bar whose title is empty; a
// space shows nothing.
QString title_for(std::string_view caption) { return caption.empty() ? QStringLiteral(" ") : qs(caption); }

std::vector<std::uint8_t> read_resource(std::string_view path) {
    QFile file(qs(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    return {data.begin(), data.end()};
}

}  // namespace

Window::Window(Runtime& runtime, const WindowTable& table, QWidget* owner)
    : QWidget(table.settings.owned ? owner : nullptr), runtime_(runtime), table_(table) {
    const WindowSettings& s = table.settings;
    setObjectName(qs(s.name));
    setWindowFlags(frame_flags(s));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title_for(s.caption));
    setWindowIcon(icon_from(s.icon));
    // The client area is the outer size until the frame is known (show_centred).
    set_client_size(QSize(s.outer.width, s.outer.height));
    if (!s.background.empty()) background_ = read_resource(s.background);
    build_controls();
}

Window::~Window() = default;

void Window::build_controls() {
    // Group boxes first, so that every control's parent exists when it is made.
    for (const bool groups : {true, false}) {
        for (const Control& c : table_.controls) {
            if ((c.kind == Kind::GroupBox) != groups) continue;
            QWidget* parent = c.parent.empty() ? this : static_cast<QWidget*>(find(c.parent));
            QWidget* w = nullptr;
            switch (c.kind) {
                case Kind::Button: {
                    auto* b = new Button(qs(c.text), parent);
                    // Enter does nothing here: no button is a default button.
                    b->setAutoDefault(false);
                    b->setDefault(false);
                    w = b;
                    break;
                }
                case Kind::Label: {
                    auto* l = new QLabel(qs(c.text), parent);
                    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                    l->setWordWrap(false);
                    l->setAutoFillBackground(true);  // over the window's face colour
                    w = l;
                    break;
                }
                case Kind::GroupBox: {
                    auto* g = new QGroupBox(qs(c.text), parent);
                    g->setAlignment(Qt::AlignHCenter);
                    w = g;
                    break;
                }
                case Kind::PictureBox: w = new PictureBox(table_.picture_boxes, parent); break;
            }
            w->setObjectName(qs(c.name));
            // Controls in the default GUI font keep following the desktop's.
            if (!c.font.is_default()) w->setFont(font_for(c.font));
            w->setGeometry(c.place.x, c.place.y, c.size.width, c.size.height);
            w->setFocusPolicy(c.kind == Kind::Button ? Qt::ClickFocus : Qt::NoFocus);
            named_.emplace(c.name, w);
        }
    }
    // Stacking: the first row of a parent ends up on top of the later ones.
    for (auto it = table_.controls.rbegin(); it != table_.controls.rend(); ++it)
        static_cast<QWidget*>(find(it->name))->raise();
    // The Tab key's round.
    QWidget* previous = nullptr;
    for (std::string_view name : table_.tab_order) {
        auto* w = static_cast<QWidget*>(find(name));
        w->setFocusPolicy(Qt::StrongFocus);
        if (previous) setTabOrder(previous, w);
        previous = w;
    }
    for (const Control& c : table_.controls) static_cast<QWidget*>(find(c.name))->setVisible(true);

    for (const Component& c : table_.components) {
        QObject* o = nullptr;
        switch (c.kind) {
            case ComponentKind::Printer:
                o = new Printer(this);
                o->setObjectName(qs(c.name));
                break;
            case ComponentKind::DropTarget: o = new DropTarget(*this, c.name); break;
        }
        named_.emplace(c.name, o);
    }
    for (const Binding& b : table_.events) {
        if (b.event != Event::Clicked) continue;
        auto* button = control<Button>(b.source);
        connect(button, &QPushButton::clicked, this, [this, source = b.source] { raise_event(Event::Clicked, source); });
    }
}

QObject* Window::find(std::string_view name) const {
    const auto it = named_.find(name);
    return it == named_.end() ? nullptr : it->second;
}

void Window::set_disabled(std::string_view name, bool disabled) {
    if (auto* w = control<QWidget>(name)) w->setEnabled(!disabled);
}

bool Window::disabled(std::string_view name) const {
    const auto* w = control<QWidget>(name);
    return w && !w->isEnabled();
}

void Window::raise_event(Event event, std::string_view source, std::string* text) {
    EventArgs args{runtime_, *this, text};
    for (const Binding& b : table_.events)
        if (b.event == event && b.source == source) b.handler(args);
}

void Window::set_client_size(QSize size) {
    if (!table_.settings.maximise_box) return setFixedSize(size);
    // Desktops on Linux maximise only windows that they may also resize,
    // so a window with a maximise box is given a least size, its own, and
    // no greatest one.
    setMinimumSize(size);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(size);
}

void Window::show_centred() {
    const Extent outer = table_.settings.outer;
    const QMargins frame = expected_frame_margins(*this);
    set_client_size(QSize(outer.width - frame.left() - frame.right(), outer.height - frame.top() - frame.bottom()));
    // The frame goes in the middle of the whole primary display, whatever
    // panels it has; integer halves. The client area is placed rather than
    // the frame, as Qt's idea of the frame may not be the window manager's
    // yet.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect g = screen->geometry();
        const QPoint client(g.x() + (g.width() - outer.width) / 2 + frame.left(),
                            g.y() + (g.height() - outer.height) / 2 + frame.top());
        setGeometry(QRect(client, size()));
    }
    if (table_.settings.owned) keep_off_taskbar(*this);
    show();
    // A Wayland client makes its own decorations as it is first shown, and
    // only then knows their size; it alone may still resize itself freely.
    if (QGuiApplication::platformName() != QLatin1String("xcb") && windowHandle()) {
        const QMargins drawn = windowHandle()->frameMargins();
        if (drawn != frame)
            set_client_size(
                QSize(outer.width - drawn.left() - drawn.right(), outer.height - drawn.top() - drawn.bottom()));
    }
}

void Window::keyPressEvent(QKeyEvent* event) {
    if (table_.settings.escape_closes && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    // Enter, F1 and the rest mean nothing to the window.
    event->ignore();
}

void Window::paintEvent(QPaintEvent* event) {
    if (background_.empty()) return QWidget::paintEvent(event);
    if (!background_preview_.made_for(size(), devicePixelRatioF())) {
        const QColor face = palette().color(QPalette::Window);
        const picture::Rgb b{static_cast<std::uint8_t>(face.red()), static_cast<std::uint8_t>(face.green()),
                             static_cast<std::uint8_t>(face.blue())};
        background_preview_ = preview_as_background(background_, table_.settings.background_mode, size(),
                                                    devicePixelRatioF(), b, screen() ? screen()->depth() : 32);
    }
    QPainter painter(this);
    if (!background_preview_.empty()) draw_preview(painter, background_preview_, background_preview_.still);
}

}  // namespace tovalin::forms
