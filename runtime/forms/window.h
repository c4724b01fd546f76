// A window built from its table: its frame and place from the window
// settings, its controls and components by name, its events bound to the
// table's handlers. The runtime creates and shows it (runtime.h).
#pragma once

#include <QWidget>
#include <map>
#include <string>
#include <string_view>

#include "forms/layout.h"
#include "forms/preview.h"

namespace tovalin::forms {

class Window : public QWidget {
    Q_OBJECT

public:
    // Creates the window and all its controls, hidden. A window that is
    // `owned` hangs from `owner`.
    Window(Runtime& runtime, const WindowTable& table, QWidget* owner);
    ~Window() override;

    std::string_view name() const { return table_.settings.name; }
    const WindowTable& table() const { return table_; }
    Runtime& runtime() const { return runtime_; }

    // A control or component by its name; null when the window has none of
    // that name or kind.
    QObject* find(std::string_view name) const;
    template <class T>
    T* control(std::string_view name) const {
        return qobject_cast<T*>(find(name));
    }

    // The disabled property of any windowed control: a disabled control
    // takes no mouse, keyboard or drop input.
    void set_disabled(std::string_view control, bool disabled);
    bool disabled(std::string_view control) const;

    // Calls every handler the table binds to this event of this source.
    void raise_event(Event event, std::string_view source, std::string* text = nullptr);

    // Gives the window its outer size, frame included, places it centred on
    // the primary screen and shows it.
    void show_centred();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void build_controls();
    // Fixed, or for a window with a maximise box the size it opens at and
    // never goes below.
    void set_client_size(QSize size);

    Runtime& runtime_;
    const WindowTable& table_;
    std::map<std::string_view, QObject*, std::less<>> named_;
    std::vector<std::uint8_t> background_;  // the background picture's bytes
    Preview background_preview_;
};

}  // namespace tovalin::forms
