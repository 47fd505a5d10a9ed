// unzip / zipinfo: the archive engine as a command-line program. The program
// name decides the mode (a name beginning with "zipinfo" selects the
// information mode).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/overwrite_question.h"
#include "cli/password_prompt.h"
#include "engine/engine.h"
#include "platform/hostfile.h"

int main(int argc, char** argv) {
    // The same bytes on every system: no newline translation on the standard streams.
    host_set_binary(stdout);
    host_set_binary(stderr);
    // With both streams going to one place (">log 2>&1") the output is not
    // buffered, so that every message stands after the lines given before it.
    if (host_same_destination(stdout, stderr)) std::setvbuf(stdout, nullptr, _IONBF, 0);
    // Names and paths are UTF-8 on every system (on Windows the files are created
    // through the wide-character calls).
    host_use_utf8_paths(true);

    // Writable copies with room for the ".zip" the engine may append.
    std::vector<std::string> words = host_program_arguments(argc, argv);
    std::vector<char*> vector;
    for (std::string& w : words) {
        w.reserve(w.size() + 8);
        vector.push_back(w.data());
    }
    vector.push_back(nullptr);

    EngineHooks hooks;
    hooks.existing_file = ask_overwrite;
    hooks.password = ask_password;
    engine_set_hooks(hooks);

    int result = engine_entry(static_cast<int>(words.size()), vector.data());
    if (const int kept = files_kept_at_end_of_input()) {
        std::fflush(stdout);
        std::fprintf(stderr, "caution:  %d existing file%s not replaced (no answer); use -o to replace\n", kept,
                     kept == 1 ? "" : "s");
        if (result < ENG_WARNING) result = ENG_WARNING;
    }
    // Output that could not be delivered (a full disk, a closed pipe) is a failure.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        if (result != ENG_DISK_FULL) std::fprintf(stderr, "error:  write error on standard output\n");
        if (result < ENG_DISK_FULL) result = ENG_DISK_FULL;
    }
    std::fflush(stderr);
    return result;
}
