#include "program.hpp"
#include "extract_walk.hpp"

int main(int argc, char** argv) { return drovenna::run_program(argc, argv, drovenna::extract_main); }
