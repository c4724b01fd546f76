// Printing through CUPS: a private scheduler (tests/print/with-cupsd) with
// file: queues on the Generic PDF PPD, the print dialog answered by the
// test, the job seen by CUPS, and the PDF that comes out of the queue
// measured from the queue's printable area.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QThread>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cups_fixture.h"
#include "print/print_job.h"
#include "print_fixture.h"
#include "support/magick.h"

namespace tovalin::test {
namespace {

using slots::SlotGroup;
using slots::SlotId;

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};
const QString kDefaultQueue = QStringLiteral("tovalin-pdf");
const QString kSecondQueue = QStringLiteral("tovalin-second");

class ThroughCups : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* why = std::getenv("WITH_CUPSD_SKIP")) GTEST_SKIP() << "no private CUPS: " << why;
        if (!std::getenv("WITH_CUPSD_OUT")) GTEST_SKIP() << "not run through tests/print/with-cupsd";
        out_ = std::getenv("WITH_CUPSD_OUT");
        server_ = std::getenv("WITH_CUPSD_DIR");
    }

    std::filesystem::path queue_output(const QString& queue) const { return out_ / (queue.toStdString() + ".pdf"); }

    std::pair<double, double> printable_offset(const QString& queue) const {
        return test::printable_offset(server_ / "ppd" / (queue.toStdString() + ".ppd"));
    }

    std::filesystem::path out_, server_;
};

std::vector<Job> completed_jobs(const QString& queue, std::size_t at_least) {
    return test::completed_jobs(queue.toStdString(), at_least);
}

slots::Picture solid(const TempDir& dir, Rgb c, const std::string& name) {
    return make_with_convert("-size 300x200 'xc:rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," +
                                 std::to_string(c.b) + ")'",
                             dir / name);
}

// Every card rectangle, from the printable area's corner.
double measure_cards(const std::filesystem::path& pdf, std::pair<double, double> offset) {
    EXPECT_EQ(pdf_pages(pdf), 1);
    const Raster page = rasterise(pdf);
    double worst = 0;
    const Rgb colours[] = {kRed, kGreen, kBlue};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto box = find_colour(page, colours[i]);
        if (!box) {
            ADD_FAILURE() << "picture " << i << " is missing";
            continue;
        }
        const double error = edge_error_mm(*box, expected_box(print::kCardLayout[i], offset.first, offset.second));
        EXPECT_LE(error, kOnePixelMm);
        EXPECT_GE(box->count, box->area() * 999 / 1000);
        worst = std::max(worst, error);
    }
    return worst;
}

TEST_F(ThroughCups, TheJobIsTitledAndItsPicturesLandFromThePrintableArea) {
    TempDir dir;
    WatchedBoard board;
    board.set_picture(SlotId::Box1, solid(dir, kRed, "top.png"));
    board.set_picture(SlotId::Box2, solid(dir, kGreen, "middle.png"));
    board.set_picture(SlotId::Box3, solid(dir, kBlue, "bottom.png"));
    QString destination;
    board.on_read = [&](SlotId id) {
        QWidget* progress = progress_window();
        if (id == SlotId::Box1 && progress) destination = form_rows(progress).at(1).second;
    };
    print::Printer printer;
    {
        ModalAnswers answers;
        answers.then<QPrintDialog>([](QPrintDialog* d) {
            EXPECT_EQ(chosen_printer(d), kDefaultQueue);  // the system's default printer first
            d->accept();
        });
        print::print_group(printer, board, SlotGroup::CardGroup);
    }
    const QString port = QStringLiteral("file:") + QString::fromStdString(queue_output(kDefaultQueue).string());
    EXPECT_EQ(destination, kDefaultQueue + QStringLiteral(" 上的 ") + port);

    const auto jobs = completed_jobs(kDefaultQueue, 1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].title, "打印");

    // What the program handed over, kept by the scheduler, and what the
    // queue made of it.
    const auto spooled = spooled_document(server_ / "spool", jobs[0].id);
    const auto offset = printable_offset(kDefaultQueue);
    EXPECT_GT(offset.first, 0);  // the test means something only with a border
    const double submitted = measure_cards(spooled, offset);
    const double printed = measure_cards(queue_output(kDefaultQueue), offset);
    std::cout << "printable area offset " << offset.first << " x " << offset.second << " mm; largest edge error: "
              << submitted << " mm as submitted, " << printed << " mm out of the queue; spooled "
              << std::filesystem::file_size(spooled) << " bytes\n";
}

TEST_F(ThroughCups, ThePrinterAndCopiesAcceptedArePresetInTheNextDialog) {
    slots::SlotBoard board;
    print::Printer printer;
    {
        ModalAnswers answers;
        answers.then<QPrintDialog>([](QPrintDialog* d) {
            choose_printer(d, kSecondQueue);
            set_copies(d, 2);
            d->accept();
        });
        print::print_group(printer, board, SlotGroup::HouseholdGroup);
    }
    const auto jobs = completed_jobs(kSecondQueue, 1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].title, "打印");
    // The program draws its page once and leaves the copies to CUPS, whose
    // filters for this queue make them.
    EXPECT_EQ(pdf_pages(spooled_document(server_ / "spool", jobs[0].id)), 1);
    EXPECT_EQ(pdf_pages(queue_output(kSecondQueue)), 2);

    // Either button: the other group's command sees the same choice.
    ModalAnswers answers;
    answers.then<QPrintDialog>([](QPrintDialog* d) {
        EXPECT_EQ(chosen_printer(d), kSecondQueue);
        EXPECT_EQ(shown_copies(d), 2);
        EXPECT_EQ(d->printer()->copyCount(), 2);
        EXPECT_EQ(d->printer()->pageLayout().orientation(), QPageLayout::Portrait);
        // Choosing another printer sets the dialog up again: still no pages
        // to choose.
        EXPECT_EQ(page_choices(d), QStringList{QStringLiteral("printAll")});
        choose_printer(d, kDefaultQueue);
        EXPECT_EQ(page_choices(d), QStringList{QStringLiteral("printAll")});
        d->reject();
    });
    print::print_group(printer, board, SlotGroup::CardGroup);
}

// With printers installed, the file entry of the dialog: a file has no
// border, neither the queue's nor Qt's default margins.
TEST_F(ThroughCups, PrintingToAFileBesideInstalledPrintersHasNoBorder) {
    TempDir dir;
    slots::SlotBoard board;
    board.set_picture(SlotId::Box1, solid(dir, kRed, "top.png"));
    board.set_picture(SlotId::Box2, solid(dir, kGreen, "middle.png"));
    board.set_picture(SlotId::Box3, solid(dir, kBlue, "bottom.png"));
    const auto out = dir / "cards.prn";
    print::Printer printer;
    {
        ModalAnswers answers;
        answer_print_to_file(answers, out);
        print::print_group(printer, board, SlotGroup::CardGroup);
    }
    std::cout << "largest edge error printing to a file beside printers: " << measure_cards(out, {0, 0}) << " mm\n";

    // The file is the choice of the run until another is made.
    ModalAnswers answers;
    answers.then<QPrintDialog>([](QPrintDialog* d) {
        EXPECT_EQ(chosen_printer(d), QStringLiteral("Print to File (PDF)"));
        d->reject();
    });
    print::print_group(printer, board, SlotGroup::CardGroup);
}

}  // namespace
}  // namespace tovalin::test
