#pragma once
// The commands of cfb, each over the compound-file library.

#include "CfbOptions.h"

namespace pgw::cli {

// Runs the parsed command; returns the process exit code. Output goes to stdout, and
// each error to stderr as one line.
int runCfbCommand(const CfbOptions& options);

}  // namespace pgw::cli
