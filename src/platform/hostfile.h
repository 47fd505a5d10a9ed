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
#include <vector>

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

// Creates a file that must not exist yet and opens it for binary writing; null
// on failure, with errno saying why (EEXIST when anything has that name, a
// symbolic link too, which is never followed; ENOSPC for a full disk). On
// Windows the file may be removed while it is open (an interruption removes an
// incomplete output file that way).
FILE* host_create_new(const char* path);
// Makes a symbolic link `path` to `target`; 0, or -1 with errno saying why.
// Only where links can be made without special rights (Linux): see below.
int host_make_link(const char* target, const char* path);
constexpr bool host_symbolic_links() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}
// Renames `from` to `to`, replacing a file of that name. 0 or -1.
int host_replace(const char* from, const char* to);

// What an extracted file is given before it is closed, through its open stream.
struct HostOutputInfo {
    bool set_time = false;
    uint64_t write_time = 0;   // last-write time, 100 ns ticks since 1601-01-01 UTC
    uint32_t attributes = 0;   // Windows file attributes (FILE_ATTRIBUTE_*), never 0
    unsigned unix_mode = 0;    // Unix permission bits to give the file; 0: none
};
// What host_set_output_info did. The error codes are Windows error codes (0: done).
struct HostOutputDone {
    uint32_t time_error = 0;
    // The attributes are still to be set by name once the file has its own name
    // (read-only, which would keep an open file from being renamed or removed on
    // Windows, or after a failure on the open file).
    bool attributes_left = false;
    bool unix_mode_left = false;  // the Unix mode is still to be set by name
};
// Gives a complete output file, whose buffered bytes were flushed and which is
// still open, its time and what it can take of its attributes and mode while
// open: one call on the open file instead of reopening it by name.
HostOutputDone host_set_output_info(FILE* f, const HostOutputInfo& info);
// Sets the last-write time (100 ns ticks since 1601-01-01 UTC) of a file or a
// folder by name, without following a symbolic link. 0 or -1.
int host_set_path_time(const char* path, uint64_t write_time);
// Sets the Unix permission bits of a file (Linux); nothing to do on Windows.
int host_set_unix_mode(const char* path, unsigned mode);

// True when two streams may write to the same file, pipe or terminal: on Linux
// when they do; on Windows unless both are disk files known to differ.
bool host_same_destination(FILE* a, FILE* b);

// Switches a stream (standard output) to binary mode; nothing to do on Linux.
void host_set_binary(FILE* f);

// True when file names must be names that Windows creates as files (no device
// names, no forbidden characters): on Windows; on Linux only under the test
// override of test_hooks.h (TEV_TEST_WINDOWS_NAMES=1).
bool host_windows_names();

// The encoding of the paths handed to the host calls. Linux paths are bytes, and
// the engine writes UTF-8 there. On Windows the command-line program works in
// UTF-8 (its arguments are converted, and the wide-character calls create the
// files); the setup program keeps the ANSI code page (the default).
void host_use_utf8_paths(bool on);
// The program's arguments in the host path encoding (on Windows from the wide
// command line when UTF-8 paths are on; elsewhere argv as it is).
std::vector<std::string> host_program_arguments(int argc, char** argv);

// Maps drive letter `letter` (A-Z, either case) to a host directory; an empty or
// null directory removes the mapping. Only the POSIX layer maps drives; on Windows
// drives are real and this does nothing.
void host_map_drive(char letter, const char* directory);

// True when a UNC path ("\\server\share\dir") names a network share that the
// host reaches: on Windows. The POSIX layer maps drive letters only; it puts
// such a path on the current drive, like any other path without a drive.
constexpr bool host_network_shares() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

// While on, the POSIX layer keeps the listing of each folder it reads to find a
// name without regard to case, instead of reading the folder again for every
// such name (the setup's installation puts thousands of files into one folder).
// The listings follow every change made to those folders, also by other
// processes, so that each look-up answers as a fresh read would; switching
// drops them. Windows finds names itself: this does nothing there.
void host_keep_folder_listings(bool on);

// The host spelling of a path after drive mapping and separator conversion.
std::string host_native_path(const char* path);
