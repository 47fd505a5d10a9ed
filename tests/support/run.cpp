#include "support/run.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifndef TEV_NATIVE_UNZIP
#define TEV_NATIVE_UNZIP "unzip"
#endif
#ifndef TEV_MINGW_UNZIP
#define TEV_MINGW_UNZIP "unzip.exe"
#endif
#ifndef TEV_WINE_PREFIX
#define TEV_WINE_PREFIX ""
#endif

namespace tz {

namespace {

// What Wine says when it could not start a program: with address-space
// randomisation, one of the addresses it maps at a fixed place is now and then
// taken already. The program never ran (exit code 1, no output of its own).
constexpr const char* WINE_START_FAILED = "failed to map the shared user data";

// The environment of a program run under Wine: the test prefix unless one is
// set, no debug messages but the errors of memory mapping (which tell a failed
// start from the program's own result), no desktop integration.
std::vector<std::string> runner_env() {
    if (!under_wine()) return {};
    std::vector<std::string> env = {"WINEDEBUG=-all,err+virtual",
                                     "WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml=d"};
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix || !*prefix) env.push_back(std::string("WINEPREFIX=") + TEV_WINE_PREFIX);
    return env;
}

RunResult run_once(const std::vector<std::string>& command, const std::string& cwd,
                   const std::string& input, const std::vector<std::string>& env) {
    // Feeding input to a program that has already exited must not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe(in_pipe) || pipe(out_pipe) || pipe(err_pipe)) throw std::runtime_error("pipe");
    const std::vector<std::string> wine_env = runner_env();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
            close(fd);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        for (const std::string& e : wine_env) putenv(strdup(e.c_str()));
        for (const std::string& e : env) putenv(strdup(e.c_str()));
        std::vector<char*> argv;
        for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);

    RunResult result;
    size_t written = 0;
    int in_fd = in_pipe[1];
    if (input.empty()) {
        close(in_fd);
        in_fd = -1;
    } else {
        fcntl(in_fd, F_SETFL, O_NONBLOCK);
    }
    int out_fd = out_pipe[0], err_fd = err_pipe[0];
    fcntl(out_fd, F_SETFL, O_NONBLOCK);
    fcntl(err_fd, F_SETFL, O_NONBLOCK);
    char buf[65536];
    // Reads what a pipe holds now; closes it at its end.
    const auto drain = [&buf](int& fd, std::string& target) {
        for (;;) {
            const ssize_t r = read(fd, buf, sizeof buf);
            if (r > 0) {
                target.append(buf, static_cast<size_t>(r));
            } else if (r < 0 && errno == EINTR) {
                continue;
            } else {
                if (r == 0 || errno != EAGAIN) {
                    close(fd);
                    fd = -1;
                }
                return;
            }
        }
    };
    // The run ends when the program exits, not when its pipes close: helper
    // processes that it starts (Wine's server and device processes) inherit the
    // pipes and may outlive it by seconds. What the program wrote before it
    // exited is still in the pipes and is read after its exit.
    int status = 0;
    for (;;) {
        pollfd fds[3];
        int n = 0;
        if (out_fd >= 0) fds[n++] = {out_fd, POLLIN, 0};
        if (err_fd >= 0) fds[n++] = {err_fd, POLLIN, 0};
        if (in_fd >= 0) fds[n++] = {in_fd, POLLOUT, 0};
        if (n > 0 && poll(fds, static_cast<nfds_t>(n), 50) < 0 && errno != EINTR) break;
        if (n == 0) {
            waitpid(pid, &status, 0);
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents) continue;
            if (fds[i].fd == in_fd) {
                const ssize_t w = write(in_fd, input.data() + written, input.size() - written);
                if (w > 0) written += static_cast<size_t>(w);
                if ((w < 0 && errno != EAGAIN) || written == input.size()) {
                    close(in_fd);
                    in_fd = -1;
                }
            } else if (fds[i].fd == out_fd) {
                drain(out_fd, result.out);
            } else if (fds[i].fd == err_fd) {
                drain(err_fd, result.err);
            }
        }
        if (waitpid(pid, &status, WNOHANG) == pid) {
            if (out_fd >= 0) drain(out_fd, result.out);
            if (err_fd >= 0) drain(err_fd, result.err);
            break;
        }
    }
    for (int fd : {in_fd, out_fd, err_fd})
        if (fd >= 0) close(fd);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

RunResult run_process(const std::vector<std::string>& command, const std::string& cwd,
                      const std::string& input, const std::vector<std::string>& env) {
    // A start that Wine itself failed is started again: the program did not run,
    // so nothing it does has happened yet.
    for (int attempt = 1;; ++attempt) {
        RunResult result = run_once(command, cwd, input, env);
        if (attempt == 3 || result.code != 1 || !result.out.empty() ||
            result.err.find(WINE_START_FAILED) == std::string::npos)
            return result;
        std::fprintf(stderr, "note: Wine did not start the program (%s); starting it again\n", WINE_START_FAILED);
    }
}

bool under_wine() {
    const char* runner = std::getenv("TEV_RUNNER");
    return runner && *runner;
}

std::string native_unzip() { return TEV_NATIVE_UNZIP; }

std::vector<std::string> unzip_command() {
    std::vector<std::string> cmd;
    const char* runner = std::getenv("TEV_RUNNER");
    if (runner && *runner) cmd.push_back(runner);
    const char* program = std::getenv("TEV_UNZIP");
    if (program && *program) cmd.push_back(program);
    else cmd.push_back(under_wine() ? TEV_MINGW_UNZIP : TEV_NATIVE_UNZIP);
    return cmd;
}


RunResult run_unzip(const std::vector<std::string>& args, const std::string& cwd,
                    const std::string& input, const std::string& program_name) {
    std::vector<std::string> cmd = unzip_command();
    if (program_name != "unzip") {
        std::string& prog = cmd.back();
        const size_t slash = prog.rfind('/');
        const std::string dir = slash == std::string::npos ? "" : prog.substr(0, slash + 1);
        const bool exe = prog.size() > 4 && prog.compare(prog.size() - 4, 4, ".exe") == 0;
        prog = dir + program_name + (exe ? ".exe" : "");
    }
    cmd.insert(cmd.end(), args.begin(), args.end());
    return run_process(cmd, cwd, input);
}

namespace {

std::string default_temp_base() {
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

}  // namespace

TempDir::TempDir() : TempDir(default_temp_base()) {}

TempDir::TempDir(const std::string& base) {
    std::string tmpl = base + "/tevtest.XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
    path_ = tmpl;
}

std::string memory_folder() {
    return ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : "";
}

TempDir::~TempDir() { remove_tree(path_); }

void remove_tree(const std::string& path) {
    std::error_code ec;
    // Read-only files and directories must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path, ec);
}

std::vector<std::string> files_below(const std::string& dir) {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (!it->is_directory(ec)) files.push_back(std::filesystem::relative(it->path(), dir, ec).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

bool file_exists(const std::string& path) {
    struct stat s;
    return ::stat(path.c_str(), &s) == 0;
}

std::string read_text(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
}

}  // namespace tz
