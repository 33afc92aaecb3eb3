#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> ChildEnvironment()
{
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable)
        if (std::strncmp(*variable, "LC_ALL=", 7) != 0)
            variables.emplace_back(*variable);
    variables.emplace_back("LC_ALL=C.UTF-8");
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

CChildProcess::CChildProcess(const std::string& program, const std::vector<std::string>& args,
                             const std::string& stdoutPath)
{
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (::pipe2(errPipe, O_CLOEXEC) != 0 || (stdoutPath.empty() && ::pipe2(outPipe, O_CLOEXEC) != 0))
        return;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutPath.empty())
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);

    // The test runner may itself run with SIGINT ignored; the child must see Ctrl+C as a user would.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> environment = ChildEnvironment();
    if (posix_spawn(&m_pid, program.c_str(), &actions, &attributes, Pointers(argv).data(),
                    Pointers(environment).data()) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);

    for (int end : {outPipe[1], errPipe[1]})
        if (end >= 0)
            ::close(end);
    m_outPipe = outPipe[0];
    m_errPipe = errPipe[0];
}

CChildProcess::~CChildProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    for (int end : {m_outPipe, m_errPipe})
        if (end >= 0)
            ::close(end);
}

bool CChildProcess::WaitForCaughtSignal(int signal, std::chrono::milliseconds limit) const
{
    const auto deadline = Clock::now() + limit;
    const unsigned long long bit = 1ULL << (signal - 1);
    while (m_pid > 0 && Clock::now() < deadline) {
        std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("State:", 0) == 0 && line.find("zombie") != std::string::npos)
                return false;
            if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) & bit))
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

ChildResult CChildProcess::Finish(std::chrono::milliseconds limit)
{
    ChildResult result;
    if (m_pid <= 0)
        return result;
    const auto deadline = Clock::now() + limit;
    std::string* targets[] = {&result.out, &result.err};
    int ends[] = {m_outPipe, m_errPipe};
    while ((ends[0] >= 0 || ends[1] >= 0) && !result.bTimedOut) {
        pollfd fds[2] = {{ends[0], POLLIN, 0}, {ends[1], POLLIN, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || ::poll(fds, 2, static_cast<int>(left.count())) == 0) {
            result.bTimedOut = true;
            break;
        }
        for (int k = 0; k < 2; ++k) {
            if (ends[k] < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            const ssize_t got = ::read(ends[k], buffer, sizeof buffer);
            if (got > 0) {
                targets[k]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ::close(ends[k]);
                ends[k] = -1;
            }
        }
    }
    m_outPipe = ends[0];
    m_errPipe = ends[1];
    int status = 0;
    if (!result.bTimedOut) {
        // Both outputs ended; the exit itself is awaited through a process descriptor, which
        // polls readable once the child has ended.
        const int exited = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
        pollfd end{exited, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (exited < 0 || left.count() <= 0 || ::poll(&end, 1, static_cast<int>(left.count())) <= 0
            || ::waitpid(m_pid, &status, WNOHANG) != m_pid)
            result.bTimedOut = true;
        if (exited >= 0)
            ::close(exited);
    }
    if (result.bTimedOut) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
    }
    m_pid = -1;
    result.bExited = !result.bTimedOut && WIFEXITED(status);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     std::chrono::milliseconds limit)
{
    CChildProcess child(program, args);
    return child.Finish(limit);
}
