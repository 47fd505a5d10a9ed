#include "hostfs/dirscan.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "engine/wildcard.h"

DirScan::~DirScan() {
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

std::unique_ptr<DirScan> dir_scan_open(const char* directory) {
    auto scan = std::make_unique<DirScan>();
    const std::string pattern = std::string(directory) + "/*.*";
    WIN32_FIND_DATAA data;
    scan->search = FindFirstFileU(pattern.c_str(), &data);
    if (scan->search == INVALID_HANDLE_VALUE) return nullptr;
    scan->entry_name = data.cFileName;
    scan->first_pending = true;
    return scan;
}

bool dir_scan_next(DirScan& scan) {
    if (scan.first_pending) {
        scan.first_pending = false;
        return true;
    }
    WIN32_FIND_DATAA data;
    if (!FindNextFileU(scan.search, &data)) return false;
    scan.entry_name = data.cFileName;
    return true;
}

void dir_scan_close(std::unique_ptr<DirScan>& scan) { scan.reset(); }

namespace {

// The state of one wildcard sequence, kept between calls.
struct WildState {
    bool first_call = true;
    std::unique_ptr<DirScan> scan;
    std::string name_pattern;
    std::string directory;         // with its separator, or "."
    bool has_directory = false;    // results are prefixed with the directory part
    char result[WILD_RESULT_MAX + 4 + 1] = {};
};

WildState wild;

// Copies a result into the buffer; false when it would not fit.
bool set_result(const std::string& text) {
    if (text.size() > WILD_RESULT_MAX) return false;
    std::memcpy(wild.result, text.c_str(), text.size() + 1);
    return true;
}

// The next entry of the open scan that matches, or null (scan closed) at the end.
char* next_from_scan() {
    while (dir_scan_next(*wild.scan)) {
        if (!wildcard_match(wild.scan->entry_name.c_str(), wild.name_pattern.c_str(), true))
            continue;
        const std::string full =
            (wild.has_directory ? wild.directory : std::string()) + wild.scan->entry_name;
        if (set_result(full)) return wild.result;
        // Longer results are refused; the walk goes on.
    }
    dir_scan_close(wild.scan);
    return nullptr;
}

void end_sequence() {
    dir_scan_close(wild.scan);
    wild.first_call = true;
    wild.directory.clear();
    wild.has_directory = false;
}

}  // namespace

namespace {

// The matches kept by keep_wild_matches: recorded while a sequence runs, complete
// once it ended, handed out again from `replay` on.
struct KeptMatches {
    bool on = false;
    bool recording = false;
    bool complete = false;
    bool replaying = false;
    std::string argument;
    std::vector<std::string> results;
    size_t replay = 0;
};

KeptMatches kept;

char* replay_next() {
    if (kept.replay < kept.results.size()) {
        const std::string& r = kept.results[kept.replay++];
        std::memcpy(wild.result, r.c_str(), r.size() + 1);
        return wild.result;
    }
    kept.replaying = false;
    return nullptr;
}

char* live_wild_match(const char* argument);

}  // namespace

void keep_wild_matches(bool on) {
    kept = KeptMatches();
    kept.on = on;
}

char* next_wild_match(const char* argument) {
    if (kept.replaying) return replay_next();
    if (kept.on && wild.first_call) {
        if (kept.complete && kept.argument == argument) {
            kept.replaying = true;
            kept.replay = 0;
            return replay_next();
        }
        kept.recording = true;
        kept.complete = false;
        kept.argument = argument;
        kept.results.clear();
    }
    char* r = live_wild_match(argument);
    if (kept.recording) {
        try {
            if (r) kept.results.emplace_back(r);
        } catch (const std::bad_alloc&) {
            kept.recording = false;  // not kept: the next sequence reads the folder
            return r;
        }
        if (!r) {
            kept.recording = false;
            kept.complete = true;
        }
    }
    return r;
}

namespace {

char* live_wild_match(const char* argument) {
    if (!wild.first_call) {
        if (!wild.scan) {
            end_sequence();
            return nullptr;
        }
        if (char* r = next_from_scan()) return r;
        end_sequence();
        return nullptr;
    }

    wild.first_call = false;
    const char* sep = std::strrchr(argument, '/');
    if (!sep) sep = std::strrchr(argument, ':');
    if (sep) {
        wild.directory.assign(argument, static_cast<size_t>(sep - argument + 1));
        wild.name_pattern = sep + 1;
        wild.has_directory = true;
    } else {
        wild.directory.assign(1, '.');  // (assigning the literal trips a false -Wrestrict)
        wild.name_pattern = argument;
        wild.has_directory = false;
    }

    wild.scan = dir_scan_open(wild.directory.c_str());
    if (wild.scan) {
        if (char* r = next_from_scan()) return r;
    }
    // Nothing matched: hand the argument back once.
    if (!set_result(argument)) {
        // Too long to hold: cut rather than overflow; it cannot name a file anyway.
        std::memcpy(wild.result, argument, WILD_RESULT_MAX);
        wild.result[WILD_RESULT_MAX] = '\0';
    }
    return wild.result;
}

}  // namespace
