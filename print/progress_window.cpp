#include "print/progress_window.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tovalin::print {

ProgressWindow::ProgressWindow(const QString& job_name, const QString& destination, std::function<void()> on_abort,
                               QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint), on_abort_(std::move(on_abort)) {
    setWindowTitle(QStringLiteral("正在进行打印，请稍候 ......"));
    // The program's other windows take no input while a job is open, but
    // they are not disabled: they keep their state and are not drawn greyed
    // out. Modality without exec(): the job's own loop handles the events.
    setWindowModality(Qt::ApplicationModal);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("打印作业名："), new QLabel(job_name));
    form->addRow(QStringLiteral("打印目的："), new QLabel(destination));
    // A job is one copy of one page as far as the program draws it; the
    // driver makes any further copies.
    form->addRow(QStringLiteral("已打印份数："), new QLabel(QStringLiteral("1")));
    form->addRow(QStringLiteral("当前页号："), new QLabel(QStringLiteral("1")));

    abort_ = new QPushButton(QStringLiteral("中止打印"));
    abort_->setAutoDefault(false);
    connect(abort_, &QPushButton::clicked, this, [this] {
        if (on_abort_) on_abort_();
    });

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(abort_, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint());
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // The job hides the window when it ends; a close can only come from the
    // window manager while the job runs, and stops it like the button.
    if (on_abort_) on_abort_();
    event->accept();
}

}  // namespace tovalin::print
