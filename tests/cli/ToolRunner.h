#pragma once
// Runs a program with given standard input and collects what it printed, with a time
// limit so that a hang fails the test instead of stalling the run.

#include <filesystem>
#include <string>
#include <vector>

namespace pgw::cli::test {

struct ToolRun {
    int exitCode = -1;  // valid when the program exited
    int signal = 0;     // the signal that ended it, 0 when it exited
    bool timedOut = false;
    std::string out;
    std::string err;
};

// `scratch` holds the files that carry stdin, stdout and stderr.
ToolRun runTool(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                const std::filesystem::path& scratch, int timeoutSeconds = 30);

}  // namespace pgw::cli::test
