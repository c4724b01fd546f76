// Printing into a file: the dialogs answered as a user would, the PDF
// rasterised and every rectangle measured on the sheet.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <iostream>
#include <sstream>

#include "print/print_job.h"
#include "print_fixture.h"
#include "support/magick.h"

namespace tovalin::test {
namespace {

using print::PageRect;
using slots::SlotGroup;
using slots::SlotId;

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

std::string convert_colour(Rgb c) {
    return "'xc:rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")'";
}

// A solid picture, so that its edges on paper are easy to find.
slots::Picture solid(const TempDir& dir, Rgb colour, const std::string& size, const std::string& name) {
    return make_with_convert("-size " + size + " " + convert_colour(colour), dir / name);
}

void print_into(print::Printer& printer, const slots::SlotAccess& board, SlotGroup group,
                const std::filesystem::path& file) {
    ModalAnswers answers;
    answer_print_to_file(answers, file);
    print::print_group(printer, board, group);
}

const print::PageLayout& layout_of(SlotGroup g) {
    return g == SlotGroup::CardGroup ? print::kCardLayout : print::kHouseholdLayout;
}

// A file has no unprintable border: every picture lands where the layout
// puts it from the sheet's corner, at its true size, filling its rectangle
// whatever its own proportions (a tiny one is scaled up, a tall one
// stretched wide).
TEST(PrintToFile, EveryPictureLandsAtTrueSizeWhereTheLayoutPutsIt) {
    struct Fill {
        std::size_t position;
        Rgb colour;
        std::string size;
    };
    struct Row {
        const char* name;
        SlotGroup group;
        std::vector<Fill> fills;
    };
    const Row rows[] = {
        {"cards", SlotGroup::CardGroup, {{0, kRed, "300x200"}, {1, kGreen, "100x300"}, {2, kBlue, "4x4"}}},
        {"household outer pair", SlotGroup::HouseholdGroup, {{0, kRed, "640x480"}, {2, kBlue, "143x105"}}},
        {"household middle alone", SlotGroup::HouseholdGroup, {{1, kGreen, "3000x100"}}},
    };
    TempDir dir;
    double worst_mm = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        slots::SlotBoard board;
        const auto ids = slots::slots_of(row.group);
        for (const Fill& f : row.fills)
            board.set_picture(ids[f.position], solid(dir, f.colour, f.size, "p" + std::to_string(f.position) + ".png"));
        const auto out = dir / (std::string(row.name) + ".prn");
        print::Printer printer;
        print_into(printer, board, row.group, out);

        ASSERT_EQ(pdf_pages(out), 1);
        const Raster page = rasterise(out);
        // A4 as the PDF has it, 595 x 842 pt, at 600 dpi.
        EXPECT_EQ(page.width, 4959);
        EXPECT_EQ(page.height, 7017);
        for (const Fill& f : row.fills) {
            SCOPED_TRACE(f.position);
            const auto box = find_colour(page, f.colour);
            ASSERT_TRUE(box);
            const double error = edge_error_mm(*box, expected_box(layout_of(row.group)[f.position], 0, 0));
            EXPECT_LE(error, kOnePixelMm);
            worst_mm = std::max(worst_mm, error);
            EXPECT_GE(box->count, box->area() * 999 / 1000) << "the rectangle is not filled";
        }
        // Nothing else was drawn: only the pictures' colours and white.
        long long coloured = 0;
        for (const Fill& f : row.fills) coloured += find_colour(page, f.colour)->count;
        const auto white = find_colour(page, {255, 255, 255}, 0);
        ASSERT_TRUE(white);
        EXPECT_GE(white->count + coloured, static_cast<long long>(page.width) * page.height * 998 / 1000);
    }
    std::cout << "largest edge error printing to a file: " << worst_mm << " mm\n";
    RecordProperty("edge_error_mm", std::to_string(worst_mm));
}

// The household exclusion keeps the middle slot and the outer pair apart;
// filled behind its back, the later picture covers the earlier one.
TEST(PrintToFile, WhereHouseholdRectanglesOverlapTheLaterPictureCovers) {
    TempDir dir;
    slots::SlotBoard board;
    board.set_picture(SlotId::Box4, solid(dir, kRed, "300x200", "top.png"));
    board.set_picture(SlotId::Box5, solid(dir, kGreen, "300x200", "middle.png"));
    board.set_picture(SlotId::Box6, solid(dir, kBlue, "300x200", "bottom.png"));
    print::Printer printer;
    print_into(printer, board, SlotGroup::HouseholdGroup, dir / "overlap.prn");
    const Raster page = rasterise(dir / "overlap.prn");

    const auto& l = print::kHouseholdLayout;
    // The top picture keeps only what lies above the middle one, the middle
    // one only what lies above the bottom one, and they meet without a gap;
    // the bottom one is whole.
    const auto red = find_colour(page, kRed), green = find_colour(page, kGreen), blue = find_colour(page, kBlue);
    ASSERT_TRUE(red && green && blue);
    const auto top_edges = [](const Box& b) { return Box{b.left, b.top, b.right, b.top + 1, 0}; };
    EXPECT_LE(edge_error_mm(top_edges(*red), expected_box({l[0].x, l[0].y, l[0].w, 0}, 0, 0)), kOnePixelMm);
    EXPECT_LE(edge_error_mm(*green, expected_box({l[1].x, l[1].y, l[1].w, l[2].y - l[1].y}, 0, 0)), kOnePixelMm);
    EXPECT_LE(edge_error_mm(*blue, expected_box(l[2], 0, 0)), kOnePixelMm);
    EXPECT_EQ(red->bottom, green->top);
    EXPECT_EQ(green->bottom, blue->top);
    for (const Box* b : {&*red, &*green, &*blue}) EXPECT_EQ(b->count, b->area());
}

// What goes into the document: every picture lossless (a scan's fine print
// must not pick up JPEG ringing), never enlarged (the page scales a small
// one), and no side denser than 600 ppi on paper (2022 x 1276 for a card).
TEST(PrintToFile, PicturesAreEmbeddedLosslessNeverEnlargedAndAtMost600Ppi) {
    TempDir dir;
    slots::SlotBoard board;
    board.set_picture(SlotId::Box1, make_with_convert("-size 300x200 pattern:checkerboard", dir / "small.png"));
    board.set_picture(SlotId::Box2, solid(dir, kGreen, "4400x3000", "large.png"));
    board.set_picture(SlotId::Box3, make_with_convert("-size 1000x2000 xc:blue -quality 90", dir / "tall.jpg"));
    print::Printer printer;
    print_into(printer, board, SlotGroup::CardGroup, dir / "embedded.prn");

    // pdfimages -list: page num type width height color comp bpc enc ...;
    // "image" in the enc column is Flate, "jpeg" would be DCT.
    std::istringstream list(run("pdfimages -list " + quoted((dir / "embedded.prn").string())));
    std::vector<std::string> images;
    std::string line;
    std::getline(list, line);
    std::getline(list, line);
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        std::string page, num, type, width, height, color, comp, bpc, enc;
        fields >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc;
        if (type == "image") images.push_back(width + "x" + height + " " + enc);
    }
    const std::vector<std::string> expected{"300x200 image", "2022x1276 image", "1000x1276 image"};
    EXPECT_EQ(images, expected);
}

// Empty slots and slots whose bytes are no picture print nothing: one blank
// page, no message.
TEST(PrintToFile, AGroupWithNothingToDrawGivesOneBlankPage) {
    TempDir dir;
    slots::SlotBoard board;
    board.set_picture(SlotId::Box2, {'G', 'I', 'F', '8', '9', 'a', 0});  // 7 bytes
    board.set_picture(SlotId::Box3, {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    print::Printer printer;
    print_into(printer, board, SlotGroup::CardGroup, dir / "blank.prn");
    ASSERT_EQ(pdf_pages(dir / "blank.prn"), 1);
    const Raster page = rasterise(dir / "blank.prn");
    const auto white = find_colour(page, {255, 255, 255}, 0);
    ASSERT_TRUE(white);
    EXPECT_EQ(white->count, static_cast<long long>(page.width) * page.height);
}

// Transparency goes over white, whatever the picture's colour under it:
// half-transparent red becomes pink, fully transparent black stays white.
TEST(PrintToFile, TransparentPicturesPrintOverWhite) {
    TempDir dir;
    slots::SlotBoard board;
    board.set_picture(SlotId::Box1, make_with_convert("-size 300x200 xc:'rgba(255,0,0,0.5)'", dir / "half.png"));
    board.set_picture(SlotId::Box2, make_with_convert("-size 300x200 xc:'rgba(0,0,0,0)'", dir / "clear.png"));
    print::Printer printer;
    print_into(printer, board, SlotGroup::CardGroup, dir / "alpha.prn");
    const Raster page = rasterise(dir / "alpha.prn");

    // trunc(a/255 * c + (1 - a/255) * 255) with a = 128: 255, 127, 127.
    const auto pink = find_colour(page, {255, 127, 127}, 2);
    ASSERT_TRUE(pink);
    EXPECT_LE(edge_error_mm(*pink, expected_box(print::kCardLayout[0], 0, 0)), kOnePixelMm);
    EXPECT_GE(pink->count, pink->area() * 999 / 1000);
    const auto white = find_colour(page, {255, 255, 255}, 0);
    ASSERT_TRUE(white);
    EXPECT_EQ(white->count + pink->count, static_cast<long long>(page.width) * page.height);
}

// Cancelling either dialog prints nothing and shows nothing; the next
// command starts over with the print dialog, and no command changes a slot.
TEST(PrintToFile, CancelPrintsNothingAndTheNextCommandStartsOver) {
    TempDir dir;
    slots::SlotBoard board;
    board.set_picture(SlotId::Box2, solid(dir, kGreen, "300x200", "middle.png"));
    const slots::Picture before = board.picture(SlotId::Box2);
    const auto out = dir / "out.prn";
    print::Printer printer;
    {
        ModalAnswers answers;
        answers.then<QPrintDialog>([](QPrintDialog* d) {
            choose_print_to_file(d);
            d->reject();
        });
        print::print_group(printer, board, SlotGroup::CardGroup);
    }
    {
        ModalAnswers answers;
        answers
            .then<QPrintDialog>([](QPrintDialog* d) {
                choose_print_to_file(d);
                d->accept();
            })
            .then<QFileDialog>([](QFileDialog* d) { d->reject(); });
        print::print_group(printer, board, SlotGroup::CardGroup);
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(printer.is_open());
    EXPECT_EQ(progress_window(), nullptr);

    print_into(printer, board, SlotGroup::CardGroup, out);
    ASSERT_TRUE(std::filesystem::exists(out));
    EXPECT_TRUE(find_colour(rasterise(out), kGreen));
    EXPECT_EQ(board.picture(SlotId::Box2), before);
    EXPECT_TRUE(board.enabled(SlotId::Box2));
}

// The save dialog proposes Output.prn among print files and asks before it
// replaces one; "No" leaves the file as it was.
TEST(PrintToFile, TheSaveDialogAsksBeforeReplacingAFile) {
    TempDir dir;
    slots::SlotBoard board;
    board.set_picture(SlotId::Box1, solid(dir, kRed, "300x200", "top.png"));
    const auto out = dir / "existing.prn";
    write_file(out, {'k', 'e', 'e', 'p'});
    print::Printer printer;
    for (const bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "replace" : "keep");
        bool asked = false;
        ModalAnswers answers;
        answers
            .then<QPrintDialog>([](QPrintDialog* d) {
                choose_print_to_file(d);
                d->accept();
            })
            .then<QFileDialog>([&](QFileDialog* d) {
                EXPECT_EQ(d->windowTitle(), QStringLiteral("打印到文件"));
                EXPECT_EQ(d->nameFilters(), (QStringList{QStringLiteral("打印输出文件 (*.prn)"), QStringLiteral("所有文件 (*.*)")}));
                EXPECT_EQ(d->defaultSuffix(), QStringLiteral("prn"));
                EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
                ASSERT_EQ(d->selectedFiles().size(), 1);
                EXPECT_EQ(QFileInfo(d->selectedFiles().first()).fileName(), QStringLiteral("Output.prn"));
                choose_file(d, out);
                static_cast<QDialog*>(d)->accept();
            })
            .then<QMessageBox>([&](QMessageBox* box) {
                asked = true;
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            });
        if (!replace) answers.then<QFileDialog>([](QFileDialog* d) { d->reject(); });
        print::print_group(printer, board, SlotGroup::CardGroup);
        EXPECT_TRUE(asked);
        if (!replace) {
            EXPECT_EQ(read_file(out), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
        } else {
            ASSERT_EQ(pdf_pages(out), 1);
            EXPECT_TRUE(find_colour(rasterise(out), kRed));
        }
    }
}

// While the job is open its progress window says what goes where, and the
// program's other windows take no input, without being disabled; afterwards
// they take input again. "中止打印" ends the job with what was drawn so far.
TEST(PrintToFile, TheProgressWindowBlocksOtherWindowsAndAbortKeepsWhatWasDrawn) {
    TempDir dir;
    WatchedBoard board;
    board.set_picture(SlotId::Box1, solid(dir, kRed, "300x200", "top.png"));
    board.set_picture(SlotId::Box2, solid(dir, kGreen, "300x200", "middle.png"));
    board.set_picture(SlotId::Box3, solid(dir, kBlue, "300x200", "bottom.png"));

    QWidget other;  // stands for the main window
    other.setWindowTitle(QStringLiteral("other"));
    auto* button = new QPushButton(QStringLiteral("click"), &other);
    button->resize(100, 40);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));

    const auto out = dir / "aborted.prn";
    bool seen = false;
    board.on_read = [&](SlotId id) {
        if (id == SlotId::Box1) {
            seen = true;
            QWidget* progress = progress_window();
            ASSERT_NE(progress, nullptr);
            const std::vector<std::pair<QString, QString>> rows{
                {QStringLiteral("打印作业名："), QStringLiteral("打印")},
                {QStringLiteral("打印目的："), QStringLiteral("aborted.prn")},
                {QStringLiteral("已打印份数："), QStringLiteral("1")},
                {QStringLiteral("当前页号："), QStringLiteral("1")},
            };
            EXPECT_EQ(form_rows(progress), rows);
            auto* abort = progress->findChild<QPushButton*>();
            ASSERT_NE(abort, nullptr);
            EXPECT_EQ(abort->text(), QStringLiteral("中止打印"));
            // A real click through the window system on the other window.
            QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(50, 20));
            EXPECT_EQ(clicks, 0);
            EXPECT_TRUE(other.isEnabled());
        }
        if (id == SlotId::Box2) {
            // Pressed now, it takes effect when the next drawing step
            // handles pending events.
            QWidget* progress = progress_window();
            ASSERT_NE(progress, nullptr);
            QMetaObject::invokeMethod(progress->findChild<QPushButton*>(), "click", Qt::QueuedConnection);
        }
    };
    print::Printer printer;
    print_into(printer, board, SlotGroup::CardGroup, out);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(printer.is_open());
    EXPECT_EQ(progress_window(), nullptr);

    ASSERT_EQ(pdf_pages(out), 1);
    const Raster page = rasterise(out);
    const auto red = find_colour(page, kRed);
    ASSERT_TRUE(red);
    EXPECT_LE(edge_error_mm(*red, expected_box(print::kCardLayout[0], 0, 0)), kOnePixelMm);
    EXPECT_FALSE(find_colour(page, kGreen));
    EXPECT_FALSE(find_colour(page, kBlue));

    QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(clicks, 1);
}

// Each command starts from a fresh printer: portrait and the paper back to
// the printer's own default, the copies and the file choice of the last
// dialog preset.
TEST(PrintToFile, EachDialogStartsFromPortraitWithTheCopiesAcceptedLast) {
    TempDir dir;
    slots::SlotBoard board;
    print::Printer printer;
    {
        ModalAnswers answers;
        answers
            .then<QPrintDialog>([](QPrintDialog* d) {
                choose_print_to_file(d);
                set_copies(d, 3);
                d->printer()->setPageOrientation(QPageLayout::Landscape);
                d->printer()->setPageSize(QPageSize(QPageSize::A5));
                d->accept();
            })
            .then<QFileDialog>([&](QFileDialog* d) {
                choose_file(d, dir / "first.prn");
                static_cast<QDialog*>(d)->accept();
            });
        print::print_group(printer, board, SlotGroup::CardGroup);
    }
    EXPECT_EQ(printer.choice().copies, 3);
    EXPECT_TRUE(printer.choice().to_file);
    const QPrinter fresh(QPrinter::HighResolution);
    ModalAnswers answers;
    answers.then<QPrintDialog>([&](QPrintDialog* d) {
        EXPECT_EQ(d->printer()->pageLayout().orientation(), QPageLayout::Portrait);
        EXPECT_TRUE(d->printer()->pageLayout().pageSize().isEquivalentTo(fresh.pageLayout().pageSize()));
        EXPECT_EQ(shown_copies(d), 3);
        EXPECT_EQ(chosen_printer(d), QStringLiteral("Print to File (PDF)"));
        EXPECT_FALSE(d->testOption(QAbstractPrintDialog::PrintPageRange));
        EXPECT_FALSE(d->testOption(QAbstractPrintDialog::PrintSelection));
        EXPECT_TRUE(d->testOption(QAbstractPrintDialog::PrintToFile));
        EXPECT_EQ(page_choices(d), QStringList{QStringLiteral("printAll")});
        d->reject();
    });
    print::print_group(printer, board, SlotGroup::HouseholdGroup);
}

}  // namespace
}  // namespace tovalin::test
