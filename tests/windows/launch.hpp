// Starting a Windows program with a command line we choose, byte for byte.
//
// A Windows program receives its command line as one string and splits it
// itself; this is what the launcher and the command-line tests rely on to
// show the programs exactly the line a user would type in cmd.exe.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace launch {

// Runs `program_file` with exactly `command_line` (its first word is the
// program name the program sees) in `directory` (empty: ours), with the
// given standard handles, and waits for it. False when it cannot start;
// GetLastError tells why.
bool run_and_wait(const std::string& program_file, const std::string& command_line, const std::string& directory,
                  HANDLE input, HANDLE output, HANDLE error, DWORD& status);

// The argument written so that the Windows splitting rules give it back
// unchanged: left bare when it can be, otherwise quoted, with the
// backslashes before a quote (or before the closing quote) doubled.
std::string quote_argument(const std::string& arg);

// The name a user types to start a program file: no directory, no ".exe".
std::string typed_name(const std::string& program_file);

}  // namespace launch
