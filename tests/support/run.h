// Running the command-line program under test, natively or under Wine, and
// temporary directories for tests.
#pragma once

#include <string>
#include <vector>

namespace tz {

struct RunResult {
    int code = -1;      // exit status (-1 when the program did not exit normally)
    std::string out;    // standard output
    std::string err;    // standard error
};

// Runs `program` with `args` in directory `cwd`, feeding `input` on standard
// input (closed afterwards). Extra environment entries are "NAME=value". Under
// Wine (TEV_RUNNER set) the Wine settings of the tests come first.
RunResult run_process(const std::vector<std::string>& command, const std::string& cwd,
                      const std::string& input = "", const std::vector<std::string>& env = {});

// The unzip program under test: TEV_UNZIP names it, TEV_RUNNER a program to start
// it with. With TEV_RUNNER=wine and no TEV_UNZIP it is build/mingw/unzip.exe, run
// in the tests' Wine prefix (build/native/wineprefix unless WINEPREFIX is set);
// otherwise the native build.
std::vector<std::string> unzip_command();
// True when the program under test runs under Wine.
bool under_wine();
// The line end that text conversion (-a) writes in the program under test:
// CR LF for the Windows build, LF for the native one.
inline std::string local_line_end() { return under_wine() ? "\r\n" : "\n"; }
// The native build of unzip, whatever TEV_UNZIP says.
std::string native_unzip();

// Runs unzip (or, with `program_name` "zipinfo", the same program under that name).
RunResult run_unzip(const std::vector<std::string>& args, const std::string& cwd,
                    const std::string& input = "", const std::string& program_name = "unzip");

// A fresh temporary directory, removed with its contents at the end of its scope.
class TempDir {
public:
    TempDir();
    // Below `base` instead of $TMPDIR or /tmp.
    explicit TempDir(const std::string& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A folder on a memory file system (/dev/shm) when there is one, else "": there
// a file may be sought to any offset below 2^63, as the file systems of disks
// refuse and as Wine allows everywhere.
std::string memory_folder();

void remove_tree(const std::string& path);
// Every file (not folder) below `dir`, as paths relative to it with '/', sorted.
std::vector<std::string> files_below(const std::string& dir);
bool file_exists(const std::string& path);
std::string read_text(const std::string& path);
void write_text(const std::string& path, const std::string& text);

}  // namespace tz
