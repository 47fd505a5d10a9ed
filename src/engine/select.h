// Member selection by the include and exclude pattern lists.
#pragma once

// True when `name` is selected: it matches an include pattern and no exclude
// pattern (the lists end at a null or empty entry). The first matching pattern
// of each list gets its flag set when a flag array is given and the pattern lies
// within the list's count. Letter case is folded when `fold` is set.
bool select_member(const char* name, bool fold, bool* include_flags, bool* exclude_flags);
