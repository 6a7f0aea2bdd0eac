#include "ToolRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace pgw::cli::test {
namespace {

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Waits for the child, killing it once the time is up.
void waitFor(pid_t child, int timeoutSeconds, ToolRun* run) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            run->timedOut = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (WIFEXITED(status)) run->exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run->signal = WTERMSIG(status);
}

}  // namespace

ToolRun runTool(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                const std::filesystem::path& scratch, int timeoutSeconds) {
    const auto inPath = scratch / "tool.stdin";
    const auto outPath = scratch / "tool.stdout";
    const auto errPath = scratch / "tool.stderr";
    std::ofstream(inPath, std::ios::binary | std::ios::trunc) << input;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    ToolRun run;
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        run.err = "could not start " + program;
        return run;
    }
    waitFor(child, timeoutSeconds, &run);
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    return run;
}

}  // namespace pgw::cli::test
