// Child processes through posix_spawn (see child_process.h).
#include "tools/kelpack/child_process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace kel::tools {
namespace {

class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

class Pipe {
public:
    Pipe() {
        if (pipe(ends_) != 0) ends_[0] = ends_[1] = -1;
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool ok() const { return ends_[0] >= 0; }
    int read() const { return ends_[0]; }
    int write() const { return ends_[1]; }
    void CloseRead() { Close(ends_[0]); }
    void CloseWrite() { Close(ends_[1]); }

private:
    static void Close(int& fd) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    int ends_[2];
};

}  // namespace

ChildResult RunChildProcess(const std::vector<std::string>& argv,
                            const std::string& workingDirectory) {
    ChildResult result;
    if (argv.empty()) {
        result.error = "no program given";
        return result;
    }
    Pipe output;
    if (!output.ok()) {
        result.error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    FileActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), output.write(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), output.write(), STDERR_FILENO);
    posix_spawn_file_actions_addclose(actions.get(), output.read());
    posix_spawn_file_actions_addclose(actions.get(), output.write());
    if (!workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(actions.get(), workingDirectory.c_str());
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, argv[0].c_str(), actions.get(), nullptr, args.data(), environ);
    output.CloseWrite();
    if (spawned != 0) {
        result.error = std::strerror(spawned);
        return result;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(output.read(), buffer, sizeof buffer);
        if (got > 0) {
            result.output.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            result.error = std::string("waitpid: ") + std::strerror(errno);
            return result;
        }
    }
    result.started = true;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace kel::tools
