// Checking a listing against its table before tablebuild runs, and the new
// table that tablebuild wrote from them.
#pragma once

#include <cstdint>
#include <deque>

#include "program.hpp"

namespace drovenna {

// The sectors a listing line's data takes, [first, end), for the overlap check.
struct line_span {
    std::uint32_t first = 0;
    std::uint32_t end = 0;
    std::uint32_t line = 0;
};

struct overlap {
    std::uint32_t line = 0;
    std::uint32_t other = 0;  // a line whose data it partly overlaps
};

// Every line whose data partly overlaps another line's (not the very same
// range: that is data shared on purpose), once, with one line it overlaps,
// in line order. Sorts `spans`.
std::deque<overlap> find_overlaps(std::deque<line_span>& spans);

// The program's main flow; returns the exit status: 0 when nothing would go
// wrong (warnings allowed), 1 when an error was found, 2 on a wrong argument count.
int lbacheck_main(const argument_list& args);

}  // namespace drovenna
