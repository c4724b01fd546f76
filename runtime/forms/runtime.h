// The forms runtime: the toolkit as the program sees it. It is initialised
// once, before any window; it loads windows by name from the program's
// window set, modal or not; it runs the event loop until no loaded window
// is left; handlers reach windows and their controls by name through it.
#pragma once

#include <QObject>
#include <memory>
#include <string_view>
#include <vector>

#include "forms/layout.h"

class QApplication;
class QWidget;

namespace tovalin::forms {

class Runtime : public QObject {
    Q_OBJECT

public:
    // Initialises the toolkit: the application object, the current
    // directory made the folder of the executable, and the invisible window
    // that owned windows hang from. One per process.
    Runtime(int& argc, char** argv, WindowSet windows);
    ~Runtime() override;
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Loads a window of the set by name. A window already loaded is only
    // restored and brought to the front. Otherwise it is created hidden with
    // all its controls, its created event is raised, and it is shown. A
    // modal load then keeps every other window of the program from taking
    // input and returns only once the window has been destroyed. False when
    // the set has no such window or its table cannot be built.
    bool load(std::string_view name, bool modal = false);

    // Runs the event loop; returns when no loaded window is left, at once
    // when none is loaded.
    void run();

    // The loaded window of this name, or null.
    Window* window(std::string_view name) const;
    QWidget& owner() const;
    WindowSet windows() const { return windows_; }

private:
    void forget(QObject* window);

    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QWidget> owner_;
    WindowSet windows_;
    // Each loaded window with its QObject, which is what is left of it
    // when its destroyed signal comes.
    struct Loaded {
        Window* window;
        QObject* object;
    };
    std::vector<Loaded> loaded_;
    bool running_ = false;
};

}  // namespace tovalin::forms
