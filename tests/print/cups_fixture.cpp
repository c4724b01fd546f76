#include "cups_fixture.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace tovalin::test {

std::vector<Job> completed_jobs(const std::string& queue, std::size_t at_least) {
    std::vector<Job> jobs;
    for (int attempt = 0; attempt < 1200; ++attempt) {
        cups_job_t* list = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &list, queue.c_str(), 0, CUPS_WHICHJOBS_COMPLETED);
        jobs.clear();
        for (int i = 0; i < n; ++i) jobs.push_back({list[i].id, list[i].title ? list[i].title : "", list[i].dest});
        cupsFreeJobs(n, list);
        if (jobs.size() >= at_least) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) { return a.id < b.id; });
    return jobs;
}

std::filesystem::path spooled_document(const std::filesystem::path& spool, int job_id) {
    char name[32];
    std::snprintf(name, sizeof name, "d%05d-001", job_id);
    return spool / name;
}

std::pair<double, double> printable_offset(const std::filesystem::path& ppd_path) {
    std::ifstream ppd(ppd_path);
    double llx = -1, ury = -1, height = -1, ignore = 0;
    for (std::string line; std::getline(ppd, line);) {
        const auto quote = line.find('"');
        if (quote == std::string::npos) continue;
        std::istringstream values(line.substr(quote + 1));
        if (line.rfind("*ImageableArea A4/", 0) == 0) values >> llx >> ignore >> ignore >> ury;
        if (line.rfind("*PaperDimension A4/", 0) == 0) values >> ignore >> height;
    }
    EXPECT_GE(llx, 0) << "no A4 imageable area in " << ppd_path;
    EXPECT_GT(height, 0) << "no A4 paper dimension in " << ppd_path;
    constexpr double mm_per_pt = 25.4 / 72;
    return {llx * mm_per_pt, (height - ury) * mm_per_pt};
}

}  // namespace tovalin::test
