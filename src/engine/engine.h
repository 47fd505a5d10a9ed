// The archive engine as a host program sees it: one argument-vector entry, its
// result codes, and the hooks record through which a host (the command-line tool
// or the setup program) answers questions and receives the listing.
#pragma once

#include <cstdint>

// The engine's version, as its usage texts show it.
inline constexpr char ENGINE_VERSION[] = "1.0 of 8 December 2026";

// Result codes. A larger code is worse; every level keeps the worst code seen.
enum : int {
    ENG_OK = 0,
    ENG_WARNING = 1,            // warnings only
    ENG_ERROR = 2,              // an error in the archive; processing went on
    ENG_BAD_ARCHIVE = 3,        // severe archive error
    ENG_NO_MEMORY = 4,          // the engine buffers could not be allocated
    ENG_DECOMP_NO_MEMORY = 5,   // a decompression method ran out of memory
    ENG_NO_ARCHIVE = 9,         // not found, cannot be opened, or no directory
    ENG_BAD_USAGE = 10,         // invalid options
    ENG_MULTI_DISK = 11,        // one disk of a multi-disk archive
    ENG_DISK_FULL = 50,         // an output write failed and the user stopped
    ENG_EARLY_EOF = 51,         // the archive ended early
    ENG_INTERRUPTED = 80,       // ended by an interruption (Ctrl-C, SIGINT, SIGTERM, SIGHUP)
    ENG_IS_DIRECTORY = 76,      // internal: the archive name is a directory
};

// Answers of the existing-file question.
enum : int {
    EXISTING_OVERWRITE = 1,
    EXISTING_SKIP = 0,
};

// The longest password the engine asks a host for (bytes).
inline constexpr int PASSWORD_MAX = 1023;

// How a host plugs into the engine. Every member may be null.
struct EngineHooks {
    // A member's output file exists and no option decided; `host_path` is the
    // path about to be created. Returns EXISTING_OVERWRITE or EXISTING_SKIP.
    // Without this hook the member is skipped.
    int (*existing_file)(const char* host_path) = nullptr;
    // An encrypted member needs a password and none is in use: the first one
    // of an archive, or the next one after a member refused the password.
    // `archive` and `member` are the names as messages show them. Writes the
    // password, ended by a null byte, into `buffer` of `size` bytes; returns
    // false when no one can be asked (no terminal), and is not called again in
    // the run. Without this hook encrypted members are skipped unless -P gave
    // a password.
    bool (*password)(const char* archive, const char* member, char* buffer, int size) = nullptr;
    // The listing printed a member line (stored name, uncompressed size).
    void (*listed_member)(const char* name, uint32_t size) = nullptr;
    // The listing printed its totals line (sum of uncompressed sizes).
    void (*listing_total)(uint32_t total) = nullptr;
};

// Installs the hooks for all later engine runs (copied).
void engine_set_hooks(const EngineHooks& hooks);

// A host that runs the engine many times on one archive, which nothing changes
// meanwhile, switches this on around those runs: the engine then keeps what it
// learned from one run to the next (the folder's names matching the archive
// argument, the archive's directory) instead of reading it again. Switching it
// on or off drops whatever was kept.
void engine_keep_between_runs(bool on);

// After a run: how many of its member patterns matched no member (each was
// named in a "caution: filename not matched" line, which leaves the result as
// it is). A host that names members it knows to be there counts this as an error.
int engine_unmatched_patterns();

// Runs the engine on an argument vector: argv[0] is the program name, argv[argc]
// must be a null pointer. The strings are changed in place (backslashes become
// slashes, list ends are cut, ".zip" may be appended to the archive name), so
// each must be writable and the archive name must have room for 4 more bytes.
// Calls must not overlap.
int engine_entry(int argc, char** argv);
