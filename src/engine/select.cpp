#include "engine/select.h"

#include <cstdio>
#include <new>

#include "engine/globals.h"
#include "engine/wildcard.h"

namespace {

// Index of the first pattern of the list that matches, or -1.
int first_match(char** list, const char* name, bool fold) {
    if (!list) return -1;
    for (int i = 0; list[i] && list[i][0]; ++i)
        if (wildcard_match(name, list[i], fold)) return i;
    return -1;
}

}  // namespace

bool select_member(const char* name, bool fold, bool* include_flags, bool* exclude_flags) {
    if (G.match_all) return true;
    const int inc = first_match(G.include_patterns, name, fold);
    if (inc < 0) return false;
    if (include_flags && inc < G.include_count) include_flags[inc] = true;
    const int exc = first_match(G.exclude_patterns, name, fold);
    if (exc < 0) return true;
    if (exclude_flags && exc < G.exclude_count) exclude_flags[exc] = true;
    return false;
}

std::unique_ptr<bool[]> pattern_flags(int count) {
    if (count <= 0) return nullptr;
    try {
        return std::make_unique<bool[]>(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void report_unmatched_patterns(const bool* include_flags, const bool* exclude_flags) {
    for (int i = 0; include_flags && i < G.include_count; ++i) {
        if (!include_flags[i]) {
            std::fprintf(stderr, "caution: filename not matched:  %s\n", G.include_patterns[i]);
            ++G.unmatched_patterns;
        }
    }
    for (int i = 0; exclude_flags && i < G.exclude_count; ++i)
        if (!exclude_flags[i])
            std::fprintf(stderr, "caution: excluded filename not matched:  %s\n", G.exclude_patterns[i]);
}

int nothing_matched_result() {
    return G.include_count > 0 && G.unmatched_patterns == G.include_count ? ENG_WARNING : 0;
}
