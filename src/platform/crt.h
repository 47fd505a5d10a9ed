// The C-runtime file calls of the setup program, by their runtime names. On
// Windows they are the runtime's own; on Linux they go through the host file
// operations of hostfile.h, so that Windows paths ("C:\TEV\LOG") reach the
// directory mapped to their drive.
#pragma once

#include <cstdio>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <stdlib.h>

inline FILE* crt_fopen(const char* path, const char* mode) { return std::fopen(path, mode); }
inline int crt_remove(const char* path) { return std::remove(path); }

#else

#include "platform/hostfile.h"

constexpr int _MAX_PATH = 260;
constexpr int _MAX_DRIVE = 3;
constexpr int _MAX_DIR = 256;
constexpr int _MAX_FNAME = 256;
constexpr int _MAX_EXT = 256;

inline int _access(const char* path, int mode) { return host_access(path, mode); }
inline int _mkdir(const char* path) { return host_mkdir(path); }
inline int _rmdir(const char* path) { return host_rmdir(path); }
inline int _chdir(const char* path) { return host_chdir(path); }
inline FILE* crt_fopen(const char* path, const char* mode) { return host_fopen(path, mode); }
inline int crt_remove(const char* path) { return host_remove(path); }

// Splits a path into drive ("C:"), directory (with its trailing separator),
// file name and extension (with its dot). Each out buffer (may be null) has the
// size _MAX_DRIVE, _MAX_DIR, _MAX_FNAME or _MAX_EXT; longer parts are cut.
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);

#endif  // _WIN32
