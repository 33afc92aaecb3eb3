#include "ChildRun.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void WriteAll(int fd, const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = write(fd, text.data() + written, text.size() - written);
        if (count <= 0)
            return;
        written += static_cast<std::size_t>(count);
    }
}

} // namespace

ChildResult RunInChild(const std::function<bool(std::string& output)>& body, std::chrono::seconds timeout)
{
    ChildResult result;
    int fds[2];
    if (pipe(fds) != 0)
        return result;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return result;
    }
    if (pid == 0) {
        close(fds[0]);
        std::string output;
        const bool bOk = body(output);
        WriteAll(fds[1], output);
        close(fds[1]);
        _exit(bOk ? 0 : 1);
    }
    close(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool bOpen = true;
    while (bOpen) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd waiting{fds[0], POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[4096];
        const ssize_t count = read(fds[0], chunk, sizeof chunk);
        if (count <= 0)
            bOpen = false;
        else
            result.output.append(chunk, static_cast<std::size_t>(count));
    }
    close(fds[0]);
    if (bOpen)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    result.bFinished = !bOpen && WIFEXITED(status);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool BecomeNobody()
{
    constexpr gid_t kNobody = 65534;
    return geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0);
}

void ExpectChildOutput(const std::function<std::string()>& prepare, const std::function<std::string()>& run,
                       const std::string& expected, std::chrono::seconds timeout, const std::string& what)
{
    const ChildResult child = RunInChild(
        [&](std::string& output) {
            output = prepare();
            if (!output.empty())
                return false;
            output = run();
            return true;
        },
        timeout);
    ASSERT_TRUE(child.bFinished) << what;
    ASSERT_EQ(child.exitCode, 0) << what << ": " << child.output;
    EXPECT_EQ(child.output, expected) << what;
}
