// unzip / zipinfo: the archive engine as a command-line program. The program
// name decides the mode (a name beginning with "zipinfo" selects the
// information mode).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/overwrite_question.h"
#include "engine/engine.h"
#include "platform/hostfile.h"

int main(int argc, char** argv) {
    // The same bytes on every system: no newline translation on the standard streams.
    host_set_binary(stdout);
    host_set_binary(stderr);

    // Writable copies with room for the ".zip" the engine may append.
    std::vector<std::string> words(argv, argv + argc);
    std::vector<char*> vector;
    for (std::string& w : words) {
        w.reserve(w.size() + 8);
        vector.push_back(w.data());
    }
    vector.push_back(nullptr);

    EngineHooks hooks;
    hooks.existing_file = ask_overwrite;
    engine_set_hooks(hooks);

    const int result = engine_entry(argc, vector.data());
    std::fflush(stdout);
    std::fflush(stderr);
    return result;
}
