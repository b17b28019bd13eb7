#pragma once

namespace kavrel::cli {

// kavrelctl: the configurator's operations from the command line, with profiles, a trace of
// every byte and a production mode that writes one profile to unit after unit. Runs the
// command line `argv` and returns the program's exit code (cli/exit_codes.h).
int Main(int argc, char** argv);

}  // namespace kavrel::cli
