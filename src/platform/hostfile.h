// Host file operations used by the archive engine and the setup program.
//
// On Windows these are thin wrappers over the C runtime. On Linux they go through
// the path mapping of the POSIX layer: '\' separators become '/', and a drive
// prefix such as "C:" is replaced by the directory mapped to that drive letter
// (see host_map_drive). A path without a mapped drive is used as it stands.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct HostStat {
    bool is_dir = false;
    bool owner_exec = false;   // owner-execute permission (archives may be executables)
    bool writable = false;     // the owner may write the file
    uint64_t size = 0;
    int64_t mtime = 0;         // last modification, seconds since 1970-01-01 UTC
};

// 0 when the path exists (st filled), -1 otherwise.
int host_stat(const char* path, HostStat* st);

// Low-level binary file access. host_open_read returns a descriptor or -1.
int host_open_read(const char* path);
long host_read(int fd, void* buf, unsigned long count);
long host_write(int fd, const void* buf, unsigned long count);
int64_t host_seek(int fd, int64_t offset);   // from the file start; -1 on failure
int host_close(int fd);

// Stream and directory operations (return values as the C runtime's).
FILE* host_fopen(const char* path, const char* mode);
int host_fileno(FILE* f);
int host_mkdir(const char* path);
int host_rmdir(const char* path);
int host_chdir(const char* path);
int host_access(const char* path, int mode);   // mode 0: existence, 2: write
int host_remove(const char* path);
int host_make_writable(const char* path);      // read and write permission for the owner

// Switches a stream (standard output) to binary mode; nothing to do on Linux.
void host_set_binary(FILE* f);

// Maps drive letter `letter` (A-Z, either case) to a host directory; an empty or
// null directory removes the mapping. Only the POSIX layer maps drives; on Windows
// drives are real and this does nothing.
void host_map_drive(char letter, const char* directory);

// The host spelling of a path after drive mapping and separator conversion.
std::string host_native_path(const char* path);
