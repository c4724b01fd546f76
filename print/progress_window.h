// The window shown while a print job is open: what is printed where, and
// the button that stops it.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QCloseEvent;
class QPushButton;

namespace tovalin::print {

class ProgressWindow : public QWidget {
public:
    // `destination`: "<printer> 上的 <port>", or the output file's name.
    // `on_abort` runs when "中止打印" is pressed, or when the window is
    // closed some other way, which can only mean the same.
    ProgressWindow(const QString& job_name, const QString& destination, std::function<void()> on_abort,
                   QWidget* parent);

    QPushButton* abort_button() const { return abort_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* abort_ = nullptr;
    std::function<void()> on_abort_;
};

}  // namespace tovalin::print
