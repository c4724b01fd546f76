// The control kinds a window table can name, beyond the picture box: push
// buttons, and the two non-visual components.
#pragma once

#include <QObject>
#include <QPushButton>
#include <string>
#include <string_view>

#include "print/print_job.h"
#include "slots/drop_target.h"

namespace tovalin::forms {

class Window;

// A push button whose text is centred and wraps onto as many lines as it
// needs, which QPushButton's own label does not do.
class Button : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The printer component: the print job's printer object, whose job name is
// its one property.
class Printer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    void set_job_name(std::string_view name);
    std::string job_name() const;  // a copy
    print::Printer& device() { return printer_; }

private:
    print::Printer printer_;
};

// A drop target component: what it is bound to and what it accepts come
// with the slots; the runtime carries its FilesDropped event to the
// window's handler.
class DropTarget : public QObject {
    Q_OBJECT

public:
    DropTarget(Window& window, std::string_view name);
    // Binds the target to a control's window, once (slots/drop_target.h).
    bool bind(QWidget& control) { return target_.bind(control); }
    // Raises FilesDropped with the dropped text, which the handler may change.
    void raise_files_dropped(std::string& text);

private:
    Window& window_;
    std::string_view name_;
    slots::DropTarget target_;
};

}  // namespace tovalin::forms
