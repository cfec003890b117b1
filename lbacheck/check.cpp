#include "check.hpp"

namespace drovenna {

int lbacheck_main(const argument_list& args) {
    print_banner("Drovenna LBA Checker\n");
    if (args.size() != 3 && args.size() != 4) return 2;
    return 0;
}

}  // namespace drovenna
