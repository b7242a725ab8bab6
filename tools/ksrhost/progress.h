#pragma once
// Progress of a long computation on the error stream. Work that ends within
// about a second says nothing; longer work reports its share done and the
// time left about once a second, and work expected to take over half a
// minute says so, with its estimate, as soon as the estimate is known.

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>

namespace ksrhost {

class Progress {
public:
    using Clock = std::chrono::steady_clock;

    // what names the work ("map"), unit its items ("seats").
    Progress(std::string what, std::string unit, size_t total, std::ostream& err);

    // Another count items done.
    void advance(size_t count);

private:
    void report(Clock::time_point now);

    // Seconds each item takes, measured from the first advance on: the
    // set-up before the first item (laying out a large grid) says nothing
    // of the items' pace.
    double secondsPerItem(Clock::time_point now) const;

    std::string what_, unit_;
    size_t total_ = 0, done_ = 0;
    std::ostream& err_;
    Clock::time_point start_, lastReport_;
    Clock::time_point paceStart_;  // the first advance
    size_t paceDone_ = 0;          // items done by then
    bool estimated_ = false, reported_ = false;
};

}  // namespace ksrhost
