#include "forms/controls.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include "forms/runtime_error.h"
#include "forms/window.h"

namespace tovalin::forms {

void Button::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString label = option.text;
    // The style draws the bevel and the focus frame; the text is ours.
    option.text.clear();
    option.icon = {};
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown() || isChecked())
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, option.palette, isEnabled(), label,
                         QPalette::ButtonText);
}

void Printer::set_job_name(std::string_view name) {
    const std::string copy = copy_value(name);
    printer_.set_job_name(QString::fromUtf8(copy.data(), static_cast<qsizetype>(copy.size())));
}

std::string Printer::job_name() const {
    const QByteArray utf8 = printer_.job_name().toUtf8();
    return copy_value(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

DropTarget::DropTarget(Window& window, std::string_view name)
    : QObject(&window), window_(window), name_(name), target_([this](slots::DropEvent event, std::string& text) {
          if (event == slots::DropEvent::FilesDropped) raise_files_dropped(text);
      }) {
    setObjectName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

void DropTarget::raise_files_dropped(std::string& text) { window_.raise_event(Event::FilesDropped, name_, &text); }

}  // namespace tovalin::forms
