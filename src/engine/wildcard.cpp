#include "engine/wildcard.h"

#include <cctype>

namespace {

inline unsigned fold(unsigned c, bool ignore_case) {
    return ignore_case ? static_cast<unsigned>(std::tolower(static_cast<int>(c))) : c;
}

// Matches a bracket set that starts behind '['. On return `rest` points behind the
// closing ']'. Returns -1 when the set has no closing bracket, else hit (1) or miss (0).
int match_set(const unsigned char* p, unsigned c, bool ignore_case, const unsigned char** rest) {
    // Find the closing bracket that is not preceded by a backslash.
    const unsigned char* end = p;
    while (*end && !(*end == ']' && end[-1] != '\\')) ++end;
    if (!*end) return -1;
    *rest = end + 1;

    const unsigned fc = fold(c, ignore_case);
    bool hit = false;
    const unsigned char* s = p;
    bool first = true;
    while (s < end) {
        unsigned lo;
        if (*s == '\\' && s + 1 < end) {
            lo = *++s;
        } else if (*s == '-' && first) {
            lo = '-';
        } else {
            lo = *s;
        }
        first = false;
        ++s;
        // A '-' between two characters forms a range.
        if (s + 1 < end && *s == '-') {
            unsigned hi = s[1];
            const unsigned char* after = s + 2;
            if (hi == '\\' && s + 2 < end) {
                hi = s[2];
                after = s + 3;
            }
            for (unsigned v = lo; v <= hi; ++v) {
                if (fold(v, ignore_case) == fc) {
                    hit = true;
                    break;
                }
            }
            s = after;
        } else if (fold(lo, ignore_case) == fc) {
            hit = true;
        }
        if (hit) break;
    }
    return hit ? 1 : 0;
}

}  // namespace

// Iterative, with one point to return to: the last '*' seen. Every other
// pattern element takes exactly one character, so giving more characters to
// an earlier '*' can never succeed where the last one failed. That keeps the
// stack flat for any pattern (a recursion per '*' overflowed it on patterns of
// tens of thousands of stars) and the time at most pattern times name.
int match_step(const unsigned char* p, const unsigned char* s, bool ignore_case) {
    const unsigned char* star_p = nullptr;  // the pattern behind the last '*'
    const unsigned char* star_s = nullptr;  // where the name behind it starts
    // No match; 2 once a '*' was seen, since no later start of an enclosing
    // '*' could match either.
    const auto no_match = [&] { return star_p ? 2 : 0; };
    for (;;) {
        if (*p == '*') {
            while (*p == '*') ++p;  // a run of stars is one star
            if (*p == 0) return 1;
            star_p = p;
            star_s = s;
            continue;
        }
        const unsigned c = *p;
        if (c == 0 && *s == 0) return 1;
        if (c != 0 && *s == 0) return no_match();
        bool taken = false;
        const unsigned char* after = p + 1;
        if (c == 0) {
            // The pattern ended before the name.
        } else if (c == '?') {
            taken = true;
        } else if (c == '[') {
            bool negate = false;
            if (*after == '!' || *after == '^') {
                negate = true;
                ++after;
            }
            const int hit = match_set(after, *s, ignore_case, &after);
            if (hit < 0) return no_match();  // no closing bracket: nothing matches
            taken = (hit == 1) != negate;
        } else if (c == '\\') {
            const unsigned literal = *after++;
            if (literal == 0) return no_match();  // a backslash at the end
            taken = fold(literal, ignore_case) == fold(*s, ignore_case);
        } else {
            taken = fold(c, ignore_case) == fold(*s, ignore_case);
        }
        if (taken) {
            p = after;
            ++s;
            continue;
        }
        // Give the last '*' one more character and try again behind it.
        if (!star_p || *star_s == 0) return no_match();
        p = star_p;
        s = ++star_s;
    }
}

bool wildcard_match(const char* name, const char* pattern, bool ignore_case) {
    return match_step(reinterpret_cast<const unsigned char*>(pattern),
                      reinterpret_cast<const unsigned char*>(name), ignore_case) == 1;
}

int prefix_compare_nocase(const char* a, const char* b, int n) {
    for (int i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
    return 0;
}
