#pragma once

#include <string>

namespace kavrel::cli {

// fopen's mode for a file of ours that the port lister must not inherit.
extern const char kWriteNotInherited[];

// Readies the console for our UTF-8 texts and says whether standard error is a terminal
// that shows the progress line (a carriage return and the erase-line sequence).
bool PrepareTerminal();

// The local time now with its offset from UTC, as 2024-05-17T14:03:59+0300.
std::string LocalTimeStamp();

}  // namespace kavrel::cli
