// The runtime error: its wording, its box, and the end of the process.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include "fixture.h"
#include "forms/picture_box.h"
#include "forms/runtime_error.h"

namespace tovalin::test {
namespace {

TEST(RuntimeErrorText, IsWordedWithItsLineBreaks) {
    struct Row {
        int code;
        const char* message;
        const char* text;
    };
    const Row rows[] = {
        {0, "", "运行时出错!\r\n\r\n"},
        {0, "载入启动窗口失败", "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"},
        {7, "", "运行时出错!\r\n\r\n错误代码：7\r\n\r\n"},
        {-2147483647 - 1, "x", "运行时出错!\r\n\r\n错误代码：-2147483648\r\n\r\n错误信息：x\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(forms::runtime_error_text(r.code, r.message), r.text);
    }
    EXPECT_EQ(forms::allocation_failure_message(33554432), "分配 33554432 字节内存失败!");
    // Past 2 GiB the count is still the count.
    EXPECT_EQ(forms::allocation_failure_message(3000000000u), "分配 3000000000 字节内存失败!");
}

TEST(RuntimeErrorBox, IsAStopBoxWithoutOwner) {
    auto box = forms::make_runtime_error_box(0, "载入启动窗口失败");
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8("错误"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->text(), QString::fromUtf8("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->buttons().size(), 1);
}

// In the child of a death test: answers the box once it is up, and says
// on stderr what it read there.
void answer_the_box() {
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            std::fputs("no message box\n", stderr);
            return;
        }
        const QString seen = box->windowTitle() + QStringLiteral("|") + box->text();
        std::fputs(seen.toUtf8().replace("\r\n", "/").constData(), stderr);
        std::fputc('\n', stderr);
        box->button(QMessageBox::Ok)->click();
    });
}

TEST(RuntimeErrorDeathTest, EndsTheProgramWithMinusOneOnceAnswered) {
    EXPECT_EXIT(
        {
            answer_the_box();
            forms::runtime_error(3, "载入启动窗口失败");
        },
        ::testing::ExitedWithCode(255), "错误\\|运行时出错!//错误代码：3//错误信息：载入启动窗口失败/");
}

// The pages of address space this process has reserved.
long reserved_pages() {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages;
}

// 64 MiB of bytes that are no picture, then an address space with room
// for the message box but not for a copy of them.
void copy_a_value_too_large_for_memory(forms::PictureBox& box) {
    box.set_picture(std::vector<std::uint8_t>(64u << 20, 'x'));
    const rlim_t room =
        static_cast<rlim_t>(reserved_pages()) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (32u << 20);
    const rlimit limit{room, room};
    setrlimit(RLIMIT_AS, &limit);
    answer_the_box();
    const auto copy = box.picture();
    std::fprintf(stderr, "copied %zu bytes\n", copy.size());
    std::_Exit(0);
}

TEST(RuntimeErrorDeathTest, AValueWhoseMemoryCannotBeHadEndsTheProgram) {
    ASSERT_TRUE(runtime().load("Probe"));
    auto* box = runtime().window("Probe")->control<forms::PictureBox>("图片框1");
    EXPECT_EXIT(copy_a_value_too_large_for_memory(*box), ::testing::ExitedWithCode(255),
                "错误\\|运行时出错!//错误信息：分配 67108864 字节内存失败!/");
    delete runtime().window("Probe");
}

}  // namespace
}  // namespace tovalin::test
