#include "support/RunCommand.h"

#include "support/TestPaths.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace testpaths {
std::vector<std::string> CliCommand(const std::vector<std::string>& settings,
                                    const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/env", "-u", "TUNEVARN_VIRTUAL_RECORDER", "-u",
                                     "TUNEVARN_VIRTUAL_BUS"};
    argv.insert(argv.end(), settings.begin(), settings.end());
    argv.push_back(Cli());
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

CommandResult RunCli(const std::vector<std::string>& settings, const std::vector<std::string>& args,
                     const std::string& workingDir) {
    return RunProgram(CliCommand(settings, args), workingDir);
}

namespace {
// Starts argv[0] with stdin, stdout and stderr on the descriptors given, in workingDir;
// the child ends at once when one of them could not be opened.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& workingDir, int in, int out,
            int err) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(err, 2) < 0 || (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0))
            ::_exit(126);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

int DevNull() {
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}
}  // namespace

CommandResult RunProgram(const std::vector<std::string>& argv, const std::string& workingDir) {
    CommandResult result;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return result;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]), ::close(out[1]);
        return result;
    }
    const int in = DevNull();
    const pid_t pid = Spawn(argv, workingDir, in, out[1], err[1]);
    for (int fd : {in, out[1], err[1]})
        if (fd >= 0)
            ::close(fd);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0 && ::poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buf[4096];
            ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

pid_t StartProgram(const std::vector<std::string>& argv, const std::string& workingDir,
                   const std::string& outPath, const std::string& errPath) {
    const int files[3] = {DevNull(),
                          ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644),
                          ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    const pid_t pid = Spawn(argv, workingDir, files[0], files[1], files[2]);
    for (int fd : files)
        if (fd >= 0)
            ::close(fd);
    return pid;
}

int WaitForExit(pid_t pid, int seconds) {
    if (pid <= 0)
        return -1;
    int status = 0;
    if (!WaitUntil([&] { return ::waitpid(pid, &status, WNOHANG) != 0; }, seconds * 1000)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace testpaths
