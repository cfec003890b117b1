#include "program.hpp"
#include "extractor_walk.hpp"

int main(int argc, char** argv) { return drovenna::run_program(argc, argv, drovenna::extractor_main); }
