#include "slots/drop_target.h"

#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace tovalin::slots {

namespace {

Actions actions_of(Qt::DropActions a) {
    return {.copy = a.testFlag(Qt::CopyAction), .move = a.testFlag(Qt::MoveAction), .link = a.testFlag(Qt::LinkAction)};
}

Keys keys_of(Qt::KeyboardModifiers m) {
    return {.shift = m.testFlag(Qt::ShiftModifier), .ctrl = m.testFlag(Qt::ControlModifier)};
}

}  // namespace

Qt::DropAction told_action(Effect effect, Qt::DropActions allowed) {
    switch (effect) {
        case Effect::None: return Qt::IgnoreAction;
        case Effect::Copy: return Qt::CopyAction;
        case Effect::Link: return Qt::LinkAction;
        case Effect::Move:
            if (allowed.testFlag(Qt::CopyAction)) return Qt::CopyAction;
            if (allowed.testFlag(Qt::LinkAction)) return Qt::LinkAction;
            return Qt::IgnoreAction;
    }
    return Qt::IgnoreAction;
}

DragKinds kinds_of(const QMimeData& data) {
    std::vector<std::string> formats;
    for (const QString& f : data.formats()) formats.push_back(f.toStdString());
    int files = 0, others = 0;
    for (const QUrl& url : data.urls()) (url.isLocalFile() ? files : others) += 1;
    return classify(formats, files, others);
}

DropTarget::DropTarget(Listener listener, QObject* parent) : QObject(parent), listener_(std::move(listener)) {}

bool DropTarget::bind(QWidget& window) {
    if (bound_) return false;
    bound_ = true;
    window_ = &window;
    window.setAcceptDrops(true);
    window.installEventFilter(this);
    return true;
}

bool DropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    switch (event->type()) {
        case QEvent::DragEnter: {
            auto& enter = static_cast<QDragEnterEvent&>(*event);
            kinds_ = enter.mimeData() ? kinds_of(*enter.mimeData()) : DragKinds{};
            answer(enter);
            // Qt sends the moves that follow only to a widget that took the
            // enter. Held keys can change the effect from none to something
            // while the drag stays over the slot, so an acceptable drag is
            // taken here whatever its effect now, and each move says
            // whether a drop is on offer (a move follows every enter).
            if (kinds_->acceptable()) enter.accept();
            return true;
        }
        case QEvent::DragMove: answer(static_cast<QDragMoveEvent&>(*event)); return true;
        case QEvent::DragLeave: kinds_.reset(); return true;
        case QEvent::Drop: release(static_cast<QDropEvent&>(*event)); return true;
        default: return false;
    }
}

void DropTarget::answer(QDragMoveEvent& event) const {
    const DragKinds kinds = kinds_.value_or(DragKinds{});
    const Effect effect = drop_effect(kinds, keys_of(event.modifiers()), actions_of(event.possibleActions()));
    const Qt::DropAction told = told_action(effect, event.possibleActions());
    event.setDropAction(told);
    event.setAccepted(told != Qt::IgnoreAction);
}

void DropTarget::release(QDropEvent& event) {
    const DragKinds kinds = kinds_.value_or(DragKinds{});
    kinds_.reset();
    // Whatever happens below, the source is told that nothing was dropped.
    event.setDropAction(Qt::IgnoreAction);
    event.ignore();
    if (drop_effect(kinds, keys_of(event.modifiers()), actions_of(event.possibleActions())) == Effect::None) return;

    std::string files_text;
    if (kinds.files && event.mimeData()) {
        std::vector<std::string> paths;
        for (const QUrl& url : event.mimeData()->urls())
            if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        files_text = files_dropped_text(paths);
    }
    // A listener may take the window away; what is left of the drop then
    // goes nowhere.
    const QPointer<DropTarget> alive = this;
    if (!listener_) return;
    for (const DropEvent e : drop_events(kinds)) {
        std::string none;
        listener_(e, e == DropEvent::FilesDropped ? files_text : none);
        if (!alive) return;
    }
}

}  // namespace tovalin::slots
