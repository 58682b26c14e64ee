#include "grep_reference.h"

#include "monotonic_clock.h"

#include <cstdlib>
#include <functional>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr char Grep[] = "LC_ALL=C grep -oE 'QM Build [0-9]{2}-[0-9]{2}-[0-9]{4}' \"$1\"";

using OutputSink = std::function<void(const char* bytes, size_t size)>;

// Runs `script` with /bin/sh, PATH as its $1, hands everything it prints to
// `sink` and returns its exit status; -1 when it could not run.
int RunShell(const std::string& script, const char* path, const OutputSink& sink)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    const char* const arguments[] = {"sh", "-c", script.c_str(), "sh", path, nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, "/bin/sh", &actions, nullptr, const_cast<char* const*>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    char buffer[65536];
    for (ssize_t size; spawned == 0 && (size = read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (size > 0) {
            sink(buffer, static_cast<size_t>(size));
        }
    }
    close(pipeEnds[0]);
    int status = 0;
    if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

} // namespace

std::optional<GrepCount> TimeGrepCount(const char* path)
{
    std::string printed;
    const double start = MonotonicSeconds();
    const int status = RunShell(std::string(Grep) + " | wc -l", path, [&](const char* bytes, size_t size) {
        printed.append(bytes, size);
    });
    const double seconds = MonotonicSeconds() - start;
    if (status != 0 || printed.empty()) {
        return std::nullopt;
    }
    return GrepCount{seconds, std::strtoull(printed.c_str(), nullptr, 10)};
}

std::optional<MatchDigest> GrepMatches(const char* path)
{
    MatchDigest digest;
    // grep's status is 1 when it found nothing.
    const int status = RunShell(Grep, path, [&](const char* bytes, size_t size) { digest.AddOutput(bytes, size); });
    if (status != 0 && status != 1) {
        return std::nullopt;
    }
    return digest;
}
