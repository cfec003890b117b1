// launcher PROGRAM_FILE [ARGUMENT...]
//
// Starts PROGRAM_FILE as a user would from cmd.exe: the command line holds
// the program's bare name ("extract" for ...\extract.exe), then the
// arguments, each quoted only as far as the Windows splitting rules need to
// give it back unchanged. The program shares the launcher's standard
// handles, so its output goes where the launcher's goes; its exit status
// becomes the launcher's.
//
// The end-to-end driver runs the Windows programs through it under Wine:
// started directly, Wine would put the program's full DOS path first on
// the command line, and the usage text would show that path.
#include <cstdio>
#include <string>

#include "launch.hpp"

// The launcher's own arguments are taken as given, never globbed.
extern "C" {
int _dowildcard = 0;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: launcher PROGRAM_FILE [ARGUMENT...]\n", stderr);
        return 125;
    }
    std::string program_file = argv[1];
    std::string command_line = launch::typed_name(program_file);
    for (int i = 2; i < argc; ++i) command_line += " " + launch::quote_argument(argv[i]);

    DWORD status = 0;
    if (!launch::run_and_wait(program_file, command_line, "", GetStdHandle(STD_INPUT_HANDLE),
                              GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE), status)) {
        std::fprintf(stderr, "launcher: cannot start %s (system error %lu)\n", program_file.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return 127;
    }
    return static_cast<int>(status);
}
