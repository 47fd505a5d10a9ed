// The engine's one pattern matcher (member selection, archive-name expansion,
// listings) and a bounded case-insensitive prefix comparison.
//
// Patterns: '*' any run, '?' one character, '[...]' a set ('!' or '^' negates,
// ranges with '-', '\' quotes), '\' quotes the next character.
#pragma once

// True when the whole name matches the whole pattern; `ignore_case` folds both.
bool wildcard_match(const char* name, const char* pattern, bool ignore_case);

// The matching step: 0 no match, 1 match, 2 no match and no later start
// position of an enclosing '*' can match either.
int match_step(const unsigned char* pattern, const unsigned char* name, bool ignore_case);

// Compares at most n characters after case folding: 0 when equal up to n or up
// to a common end, else -1 or 1 by the first differing folded character.
int prefix_compare_nocase(const char* a, const char* b, int n);
