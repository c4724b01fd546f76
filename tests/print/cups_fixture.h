// What the tests that print through the private CUPS scheduler of
// tests/print/with-cupsd share: the jobs it completed, the documents it
// kept, and the printable area of a queue.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tovalin::test {

struct Job {
    int id = 0;
    std::string title, dest;
};

// The completed jobs of a queue, oldest first. CUPS finishes a job after the
// program has handed it over: waiting for `at_least` of them is bounded only
// to keep a broken scheduler from hanging the test.
std::vector<Job> completed_jobs(const std::string& queue, std::size_t at_least);

// The document of a job as the program handed it over (the scheduler keeps
// it), in the spool folder `spool`.
std::filesystem::path spooled_document(const std::filesystem::path& spool, int job_id);

// The printable area's offset from the sheet's corner on A4, in mm, as the
// PPD states it.
std::pair<double, double> printable_offset(const std::filesystem::path& ppd);

}  // namespace tovalin::test
