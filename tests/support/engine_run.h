// Running the engine in-process with its standard streams captured.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tz {

struct EngineRun {
    int code = -1;
    std::string out;
    std::string err;
};

// Calls engine_entry with "unzip" (or `program`) followed by `args`, in the
// current directory, with standard input taken from `input`.
EngineRun run_engine(const std::vector<std::string>& args, const std::string& input = "",
                     const std::string& program = "unzip");

// Runs `body` with standard output and error captured (and standard input fed
// from `input`); returns what was written.
EngineRun capture_streams(const std::function<int()>& body, const std::string& input = "");

// Changes the current directory for its scope.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir);
    ~ScopedCwd();
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::string previous_;
};

}  // namespace tz
