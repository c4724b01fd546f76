// The checking half of the end-to-end print test (tests/e2e/print_e2e): what
// the real program handed to the private CUPS scheduler after a person
// clicked a print button, measured on paper.
//   printed_job_check QUEUE JOBS cards|household COPIES [SLOT=RRGGBB]...
// QUEUE must have completed JOBS jobs; the last one is the one checked: its
// title, its document of one page in which every SLOT (0 top, 1 middle,
// 2 bottom) holds a picture of that colour at its true size from the
// printable area's corner and nothing else is drawn, and the queue's output
// of COPIES pages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cups_fixture.h"
#include "print/page_layout.h"
#include "print_fixture.h"

namespace tovalin::test {
namespace {

struct Fill {
    std::size_t slot;
    Rgb colour;
};

struct Args {
    std::string queue;
    std::size_t jobs = 0;
    const print::PageLayout* layout = nullptr;
    int copies = 0;
    std::vector<Fill> fills;
};
Args args;

bool parse(int argc, char** argv) {
    if (argc < 5) return false;
    args.queue = argv[1];
    args.jobs = std::strtoul(argv[2], nullptr, 10);
    const std::string group = argv[3];
    args.layout = group == "cards" ? &print::kCardLayout : group == "household" ? &print::kHouseholdLayout : nullptr;
    args.copies = std::atoi(argv[4]);
    for (int i = 5; i < argc; ++i) {
        const std::string fill = argv[i];
        if (fill.size() != 8 || fill[1] != '=' || fill[0] < '0' || fill[0] > '2') return false;
        const unsigned long rgb = std::strtoul(fill.c_str() + 2, nullptr, 16);
        args.fills.push_back({static_cast<std::size_t>(fill[0] - '0'),
                              {static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 0xff), static_cast<int>(rgb & 0xff)}});
    }
    return args.jobs > 0 && args.layout && args.copies > 0;
}

TEST(PrintedByTheProgram, TheJobIsTitledAndItsPicturesLandAtTrueSize) {
    const char* spool = std::getenv("WITH_CUPSD_SPOOL");
    const char* server = std::getenv("WITH_CUPSD_DIR");
    const char* out = std::getenv("WITH_CUPSD_OUT");
    ASSERT_TRUE(spool && server && out) << "not run through tests/print/with-cupsd";

    const auto jobs = completed_jobs(args.queue, args.jobs);
    ASSERT_EQ(jobs.size(), args.jobs) << "jobs completed on " << args.queue;
    const Job& job = jobs.back();
    EXPECT_EQ(job.title, "打印");

    const auto document = spooled_document(spool, job.id);
    ASSERT_EQ(pdf_pages(document), 1);
    EXPECT_EQ(pdf_pages(std::filesystem::path(out) / (args.queue + ".pdf")), args.copies);

    const auto offset = printable_offset(std::filesystem::path(server) / "ppd" / (args.queue + ".ppd"));
    const Raster page = rasterise(document);
    double worst = 0;
    long long coloured = 0;
    for (const Fill& f : args.fills) {
        SCOPED_TRACE(f.slot);
        const auto box = find_colour(page, f.colour);
        ASSERT_TRUE(box) << "the picture of slot " << f.slot << " is not on the page";
        const double error = edge_error_mm(*box, expected_box((*args.layout)[f.slot], offset.first, offset.second));
        EXPECT_LE(error, kOnePixelMm);
        EXPECT_GE(box->count, box->area() * 999 / 1000) << "the rectangle is not filled";
        worst = std::max(worst, error);
        coloured += box->count;
    }
    const auto white = find_colour(page, {255, 255, 255}, 0);
    ASSERT_TRUE(white);
    EXPECT_GE(white->count + coloured, static_cast<long long>(page.width) * page.height * 998 / 1000)
        << "something else was drawn";
    std::cout << "job " << job.id << " on " << args.queue << ": printable area offset " << offset.first << " x "
              << offset.second << " mm, largest edge error " << worst << " mm\n";
}

}  // namespace
}  // namespace tovalin::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!tovalin::test::parse(argc, argv)) {
        std::cerr << "usage: printed_job_check QUEUE JOBS cards|household COPIES [SLOT=RRGGBB]...\n";
        return 2;
    }
    return RUN_ALL_TESTS();
}
