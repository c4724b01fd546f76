#include "forms/runtime.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <algorithm>

#include "forms/check.h"
#include "forms/owned.h"
#include "forms/window.h"

namespace tovalin::forms {

Runtime::Runtime(int& argc, char** argv, WindowSet windows)
    : app_(std::make_unique<QApplication>(argc, argv)), windows_(windows) {
    // The loop ends when the last loaded window is gone (run), not when Qt
    // thinks the last visible one has closed: a modal window closing while
    // its owner is minimised must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    // Never shown. Windows that hang from it have no taskbar button; its
    // native window is made when the first of them is.
    owner_ = std::make_unique<QWidget>(nullptr, Qt::Window);
    owner_->setObjectName(QStringLiteral("owner"));
}

Runtime::~Runtime() {
    // Windows go before the application object they live in.
    for (const Loaded& l : std::vector(loaded_)) {
        disconnect(l.object, nullptr, this, nullptr);
        delete l.window;
    }
    loaded_.clear();
    owner_.reset();
}

bool Runtime::load(std::string_view name, bool modal) {
    if (Window* w = window(name)) {
        if (w->isMinimized()) w->showNormal();
        w->QWidget::raise();
        w->activateWindow();
        return true;
    }
    const auto table = std::find_if(windows_.begin(), windows_.end(),
                                   [name](const WindowTable* s) { return s && s->settings.name == name; });
    if (table == windows_.end() || check_layout(**table)) return false;

    if ((*table)->settings.owned) owner_->winId();
    auto* created = new Window(*this, **table, owner_.get());
    loaded_.push_back({created, created});
    connect(created, &QObject::destroyed, this, &Runtime::forget);
    const QPointer<Window> w = created;

    // Every control exists and nothing is on screen yet.
    w->raise_event(Event::Created, (*table)->settings.name);
    if (!w) return true;  // its handler closed it
    if (modal) w->setWindowModality(Qt::ApplicationModal);
    w->show_centred();
    if (modal && w) {
        // The other windows take no input while this one is up, and look
        // as they did; Qt gives them back their input when it goes.
        QEventLoop loop;
        connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
        const BringBackWhenMinimised bring_back(*w);
        loop.exec();
    }
    return true;
}

void Runtime::run() {
    if (loaded_.empty()) return;
    running_ = true;
    QApplication::exec();
    running_ = false;
}

Window* Runtime::window(std::string_view name) const {
    for (const Loaded& l : loaded_)
        if (l.window->name() == name) return l.window;
    return nullptr;
}

QWidget& Runtime::owner() const { return *owner_; }

void Runtime::forget(QObject* window) {
    std::erase_if(loaded_, [window](const Loaded& l) { return l.object == window; });
    if (loaded_.empty() && running_) QCoreApplication::quit();
}

}  // namespace tovalin::forms
