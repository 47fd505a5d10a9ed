#include "support/engine_run.h"

#include <stdio_ext.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "engine/engine.h"

namespace tz {

namespace {

std::string slurp(FILE* f) {
    std::string s;
    std::fflush(f);
    std::rewind(f);
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
}

}  // namespace

EngineRun capture_streams(const std::function<int()>& body, const std::string& input) {
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    FILE* in = std::tmpfile();
    if (!out || !err || !in) throw std::runtime_error("tmpfile");
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    const int saved_out = dup(1), saved_err = dup(2), saved_in = dup(0);
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    dup2(fileno(in), 0);
    // Drop anything buffered from before: a seek would keep the old buffer when
    // the target offset happens to lie inside it.
    __fpurge(stdin);
    std::clearerr(stdin);

    EngineRun r;
    r.code = body();

    std::fflush(stdout);
    std::fflush(stderr);
    dup2(saved_out, 1);
    dup2(saved_err, 2);
    dup2(saved_in, 0);
    close(saved_out);
    close(saved_err);
    close(saved_in);
    std::clearerr(stdin);
    r.out = slurp(out);
    r.err = slurp(err);
    std::fclose(out);
    std::fclose(err);
    std::fclose(in);
    return r;
}

EngineRun run_engine(const std::vector<std::string>& args, const std::string& input,
                     const std::string& program) {
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        w.reserve(w.size() + 8);
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    return capture_streams(
        [&] { return engine_entry(static_cast<int>(words.size()), argv.data()); }, input);
}

ScopedCwd::ScopedCwd(const std::string& dir) {
    char buf[4096];
    if (!getcwd(buf, sizeof buf)) throw std::runtime_error("getcwd");
    previous_ = buf;
    if (chdir(dir.c_str()) != 0) throw std::runtime_error("chdir " + dir);
}

ScopedCwd::~ScopedCwd() {
    if (chdir(previous_.c_str()) != 0) std::perror("chdir");
}

}  // namespace tz
