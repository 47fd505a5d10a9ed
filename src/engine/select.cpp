#include "engine/select.h"

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
