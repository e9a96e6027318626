#pragma once

#include <string>

#include "app/command_line.h"

namespace pelora {

// Runs the ship and its outputs without a window or display, from the stored control values
// and output choices with the command line's on top, until SIGTERM or SIGINT, --count
// sentences, --duration seconds or the end of a played file. Writes one start line (unless
// --quiet) and one line for each output problem to stderr. Requires a QCoreApplication.
// Returns the exit status: 0, or 1 when it could not run (a file to play or record unusable).
int runHeadless(const CommandLine& line, const std::string& applicationName);

}  // namespace pelora
