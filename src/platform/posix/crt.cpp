// The C runtime's path splitting on Linux (the other runtime names of crt.h are
// inline wrappers over the host file operations).
#include <cstring>

#include "platform/crt.h"

namespace {

// Copies [begin, end) into `out` of `size` bytes, cut to fit and terminated.
void take(char* out, size_t size, const char* begin, const char* end) {
    if (!out) return;
    size_t n = static_cast<size_t>(end - begin);
    if (n > size - 1) n = size - 1;
    std::memcpy(out, begin, n);
    out[n] = '\0';
}

}  // namespace

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
    const char* p = path ? path : "";
    const char* end = p + std::strlen(p);
    const char* rest = p;
    if (p[0] && p[1] == ':') rest = p + 2;
    take(drive, _MAX_DRIVE, p, rest);
    const char* name = rest;
    for (const char* q = rest; q < end; ++q)
        if (*q == '\\' || *q == '/') name = q + 1;
    take(dir, _MAX_DIR, rest, name);
    const char* dot = nullptr;
    for (const char* q = name; q < end; ++q)
        if (*q == '.') dot = q;
    if (!dot) dot = end;
    take(fname, _MAX_FNAME, name, dot);
    take(ext, _MAX_EXT, dot, end);
}
