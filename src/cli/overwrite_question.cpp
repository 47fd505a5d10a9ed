#include "cli/overwrite_question.h"

#include <cstdio>
#include <cstring>

#include "engine/engine.h"

namespace {

// The answer that holds for every later question: 0 (ask), or EXISTING_* after A or N.
int standing_answer = -1;
bool input_ended = false;
int kept_at_end = 0;

}  // namespace

int ask_overwrite(const char* host_path) {
    if (standing_answer >= 0) return standing_answer;
    if (input_ended) {
        ++kept_at_end;
        return EXISTING_SKIP;
    }
    std::fprintf(stderr, "%s exists.  Overwrite? [y]es, [n]o, [A]ll, [N]one: ", host_path);
    std::fflush(stderr);
    char line[256];
    if (!std::fgets(line, sizeof line, stdin)) {
        std::fputc('\n', stderr);  // ends the question's line
        input_ended = true;
        ++kept_at_end;
        return EXISTING_SKIP;
    }
    const size_t len = std::strlen(line);
    // Drop the rest of an over-long line so that it does not answer the next question.
    if (len > 0 && line[len - 1] != '\n') {
        int c;
        while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        }
    }
    switch (line[0]) {
    case 'y':
    case 'Y': return EXISTING_OVERWRITE;
    case 'A': return standing_answer = EXISTING_OVERWRITE;
    case 'N': return standing_answer = EXISTING_SKIP;
    default: return EXISTING_SKIP;
    }
}

int files_kept_at_end_of_input() { return kept_at_end; }
