// Member selection by the include and exclude pattern lists, and the cautions
// about patterns that matched no member.
#pragma once

#include <memory>

// True when `name` is selected: it matches an include pattern and no exclude
// pattern (the lists end at a null or empty entry). The first matching pattern
// of each list gets its flag set when a flag array is given and the pattern lies
// within the list's count. Letter case is folded when `fold` is set.
bool select_member(const char* name, bool fold, bool* include_flags, bool* exclude_flags);

// One "matched" flag per pattern of a list, all clear; null when the list is
// empty or the flags cannot be had (the cautions of that list are then not given).
std::unique_ptr<bool[]> pattern_flags(int count);

// After a walk: the cautions about the include and exclude patterns whose flag
// is clear, on standard error; the include patterns among them are counted in
// G.unmatched_patterns.
void report_unmatched_patterns(const bool* include_flags, const bool* exclude_flags);

// After a walk or a listing that reported its patterns: ENG_WARNING when include
// patterns were given and none of them matched a member (a script sees that
// nothing was found), else 0.
int nothing_matched_result();
