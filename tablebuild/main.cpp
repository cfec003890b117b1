#include "program.hpp"
#include "rebuild.hpp"

int main(int argc, char** argv) { return drovenna::run_program(argc, argv, drovenna::tablebuild_main); }
