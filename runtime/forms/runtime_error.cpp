#include "forms/runtime_error.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace tovalin::forms {

std::string runtime_error_text(int code, std::string_view message) {
    std::string text = "运行时出错!\r\n\r\n";
    if (code != 0) text += "错误代码：" + std::to_string(code) + "\r\n\r\n";
    if (!message.empty()) {
        text += "错误信息：";
        text += message;
        text += "\r\n";
    }
    return text;
}

std::string allocation_failure_message(std::size_t bytes) {
    // The count is shown in full: a value of more than 2 GiB is not shown
    // as a negative number.
    return "分配 " + std::to_string(bytes) + " 字节内存失败!";
}

std::unique_ptr<QMessageBox> make_runtime_error_box(int code, std::string_view message) {
    const std::string text = runtime_error_text(code, message);
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, QString::fromUtf8("错误"),
                                             QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                                             QMessageBox::Ok);
    // Plain text: a message is never taken for markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

void runtime_error(int code, std::string_view message) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        make_runtime_error_box(code, message)->exec();
    } else {
        // No toolkit to show it with: the text goes where it can be seen.
        const std::string text = runtime_error_text(code, message);
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
    // The windows and their pictures are simply dropped, as when the
    // program is closed; nothing is left to save.
    std::fflush(nullptr);
    std::_Exit(-1);
}

std::vector<std::uint8_t> copy_value(std::span<const std::uint8_t> bytes) {
    try {
        return {bytes.begin(), bytes.end()};
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    runtime_error(0, allocation_failure_message(bytes.size()));
}

std::string copy_value(std::string_view text) {
    try {
        return std::string(text);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    runtime_error(0, allocation_failure_message(text.size() + 1));
}

}  // namespace tovalin::forms
