#include "check.hpp"
#include "program.hpp"

int main(int argc, char** argv) { return drovenna::run_program(argc, argv, drovenna::lbacheck_main); }
