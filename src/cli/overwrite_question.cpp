#include "cli/overwrite_question.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/engine.h"

namespace {

std::array<char, 10> answer_buf{};

}  // namespace

int ask_overwrite(const char* host_path) {
    std::fprintf(stderr, "%s exists.  Overwrite? (y/n) ", host_path);
    std::fflush(stderr);
    char line[256];
    answer_buf.fill('\0');
    if (std::fgets(line, sizeof line, stdin)) {
        const size_t len = std::strlen(line);
        // Drop the rest of an over-long line so that it does not answer the next question.
        if (len > 0 && line[len - 1] != '\n') {
            int c;
            while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
            }
        }
        std::memcpy(answer_buf.data(), line, std::min(len, answer_buf.size() - 1));
    }
    return (answer_buf[0] == 'y' || answer_buf[0] == 'Y') ? EXISTING_OVERWRITE : EXISTING_SKIP;
}
