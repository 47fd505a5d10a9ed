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

int match_step(const unsigned char* p, const unsigned char* s, bool ignore_case) {
    for (;;) {
        const unsigned c = *p++;
        if (c == 0) return *s == 0 ? 1 : 0;
        if (c == '?') {
            if (*s == 0) return 0;
            ++s;
            continue;
        }
        if (c == '*') {
            if (*p == 0) return 1;
            for (; *s; ++s) {
                const int r = match_step(p, s, ignore_case);
                if (r != 0) return r;
            }
            return 2;
        }
        if (c == '[') {
            if (*s == 0) return 0;
            bool negate = false;
            if (*p == '!' || *p == '^') {
                negate = true;
                ++p;
            }
            const unsigned char* rest = nullptr;
            const int hit = match_set(p, *s, ignore_case, &rest);
            if (hit < 0) return 0;
            if ((hit == 1) == negate) return 0;
            p = rest;
            ++s;
            continue;
        }
        if (c == '\\') {
            const unsigned lit = *p++;
            if (lit == 0) return 0;
            if (fold(lit, ignore_case) != fold(*s, ignore_case) || *s == 0) return 0;
            ++s;
            continue;
        }
        if (*s == 0 || fold(c, ignore_case) != fold(*s, ignore_case)) return 0;
        ++s;
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
