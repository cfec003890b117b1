// Checking a listing against its table before tablebuild runs, and the new
// table that tablebuild wrote from them.
#pragma once

#include "program.hpp"

namespace drovenna {

// The program's main flow; returns the exit status: 0 when nothing would go
// wrong (warnings allowed), 1 when an error was found, 2 on a wrong argument count.
int lbacheck_main(const argument_list& args);

}  // namespace drovenna
