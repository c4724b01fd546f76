// A slot's drop target over Qt's drag and drop. It watches the one widget
// it is bound to and hands every decision to the rules of drop_rules.h:
// which kinds a drag offers (on entering), the effect (on entering and on
// every move), and the events of a release. It never accepts a drop, and
// it never tells the platform that a move is under way, so a source that
// deletes what it believes was moved keeps its file.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "slots/drop_rules.h"

class QDragMoveEvent;
class QDropEvent;
class QMimeData;

namespace tovalin::slots {

// What the platform is told for an effect of the rules, given what the
// source allows. Copy and link go through as they are. A move is told as a
// copy, or failing that as a link, since a source told "moved" may delete
// its file however the drop ends (a Qt source on X11 does); a source that
// allows nothing but a move is refused.
Qt::DropAction told_action(Effect effect, Qt::DropActions allowed);

// The kinds a drag's data holds.
DragKinds kinds_of(const QMimeData& data);

class DropTarget : public QObject {
    Q_OBJECT

public:
    // Called for each event of a release, in order. `text` is the text of
    // FilesDropped, which the listener may change; the other events carry
    // none, as nothing in the program listens to them.
    using Listener = std::function<void(DropEvent event, std::string& text)>;

    explicit DropTarget(Listener listener, QObject* parent = nullptr);

    // Makes `window` take drops through this target. Once only: a second
    // bind, to the same window or another, returns false and changes
    // nothing. While the window is disabled Qt gives it no drag events, so
    // it offers no drop; nothing is done here to stop its parents taking
    // the drop instead, which they do only if they accept drops themselves.
    bool bind(QWidget& window);
    QWidget* window() const { return window_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void answer(QDragMoveEvent& event) const;
    void release(QDropEvent& event);

    Listener listener_;
    bool bound_ = false;
    QPointer<QWidget> window_;
    // What the drag offered when it entered; forgotten when it leaves.
    std::optional<DragKinds> kinds_;
};

}  // namespace tovalin::slots
