// mapname: a member's stored name becomes a host path below the extraction root.
//
// The name is cleaned character by character, split into components at '/' and
// '\' (archives written on DOS and Windows may use either), and built up through
// checkdir, which creates the directories and shortens components that the
// volume does not accept.
//
// No member may be written outside the extraction root: leading separators (an
// absolute name) and ".." components are dropped, with a warning and the result
// HOST_WARNING. "." components are harmless and kept; empty ones inside the
// name are passed over.
#include <cstdio>
#include <new>
#include <string>
#include <string_view>

#include "engine/globals.h"
#include "engine/shown_text.h"
#include "hostfs/mapname.h"
#include "hostfs/volume.h"
#include "hostfs/windows_names.h"
#include "platform/hostfile.h"
#include "platform/win32_api.h"

namespace {

constexpr unsigned char QUOTE_NEXT = 22;  // Ctrl-V: the next character is taken as it is

bool is_separator(unsigned char c) { return c == '/' || c == '\\'; }

// ".." names the parent directory. Windows also drops trailing dots and spaces
// from a name, so "...", ".. " and the like can reach the parent there: they are
// treated as ".." on every host, so that an archive extracts alike everywhere.
bool names_parent(std::string_view component) {
    if (component.size() < 2 || component[0] != '.' || component[1] != '.') return false;
    return component.find_first_not_of(". ") == std::string_view::npos;
}

// Unless -V is given, a version suffix ";digits" (or a bare ';') is cut off.
void cut_version(std::string& component, size_t semicolon) {
    if (G.keep_versions || semicolon == std::string::npos) return;
    if (component.find_first_not_of("0123456789", semicolon + 1) == std::string::npos)
        component.resize(semicolon);
}

struct NameWalk {
    std::string stored;         // the member name as the archive gives it
    bool dropped = false;       // unsafe parts were removed (and reported)
    bool renamed = false;       // a component was changed into a name Windows creates
    bool windows = host_windows_names();

    // On Windows: device names, forbidden characters, trailing dots and spaces.
    void fit_host(std::string& component) {
        if (windows && make_windows_name(component)) renamed = true;
    }
    bool placed = false;        // a component was added below the root
    int fat_volume = -1;        // volume_is_fat of the stored name, asked once

    void note_dropped() {
        if (!dropped)
            std::fprintf(stderr, "warning:  %s:  removed unsafe path components\n", shown_text(stored).c_str());
        dropped = true;
    }

    bool spaces_become_underscores() {
        if (G.spaces_to_underscore) return true;
        if (fat_volume < 0) fat_volume = volume_is_fat(stored.c_str()) ? 1 : 0;
        return fat_volume == 1;
    }

    // A directory component is complete; returns a result above 1 to stop.
    int end_directory(const std::string& component) {
        if (names_parent(component) || (component.empty() && !placed)) {
            note_dropped();
            return HOST_OK;
        }
        // An empty component inside the name ("a//b") adds nothing to the path;
        // passed on, it would leave a path ending in a separator, which the
        // Windows C runtime cannot look up.
        if (component.empty()) return HOST_OK;
        std::string fitted = component;
        fit_host(fitted);
        if (fitted.empty()) return HOST_OK;
        const int r = checkdir(fitted.c_str(), CHECKDIR_ADD_DIR);
        placed = true;
        return r > HOST_WARNING ? r : HOST_OK;
    }
};

int map_name() {
    G.create_dirs = !G.freshen;
    host_paths.created_dir = false;
    NameWalk walk;
    walk.stored = G.member_name;
    host_paths.name_len = static_cast<int>(walk.stored.size());
    const std::string& stored = walk.stored;

    int r = checkdir(nullptr, CHECKDIR_BEGIN_PATH);
    if (r != HOST_OK) return r;

    // With -j only the last component counts; a volume label is a name alone and
    // never creates directories.
    const bool label = G.cur && G.cur->volume_label;
    size_t start = 0;
    if (G.junk_paths || label) {
        const size_t last = stored.find_last_of("/\\");
        start = last == std::string::npos ? 0 : last + 1;
    }

    std::string component;
    component.reserve(stored.size());
    size_t semicolon = std::string::npos;
    bool quoted = false;
    for (size_t i = start; i < stored.size(); ++i) {
        const auto c = static_cast<unsigned char>(stored[i]);
        if (quoted) {
            quoted = false;
            // Quoting keeps any character except the ones that would make a path
            // of the name: separators still separate, and a colon (a drive on
            // Windows) still becomes '_'.
            if (!is_separator(c)) {
                component += c == ':' ? '_' : static_cast<char>(c);
                continue;
            }
        }
        if (is_separator(c)) {
            r = walk.end_directory(component);
            if (r != HOST_OK) return r;
            component.clear();
            semicolon = std::string::npos;
        } else if (c == ':') {
            component += '_';
        } else if (c == ';') {
            semicolon = component.size();
            component += ';';
        } else if (c == QUOTE_NEXT) {
            quoted = true;
        } else if (c == ' ') {
            component += walk.spaces_become_underscores() ? '_' : ' ';
        } else if ((c > ' ' && c < 127) || (c >= 128 && c <= 254)) {
            component += static_cast<char>(c);
        }
        // Control characters, DEL and 255 are dropped.
    }
    cut_version(component, semicolon);
    if (names_parent(component)) {
        walk.note_dropped();
        component.clear();
    }

    const bool directory_entry = !stored.empty() && is_separator(static_cast<unsigned char>(stored.back()));
    if (directory_entry) {
        checkdir(nullptr, CHECKDIR_TAKE_PATH);
        if (host_paths.created_dir && G.quiet_level <= 0) {
            std::printf("   creating: %-22s\n", shown_text(G.member_name).c_str());
            return HOST_DIR_CREATED;
        }
        return HOST_SKIP;
    }

    walk.fit_host(component);
    if (component.empty()) {
        std::fprintf(stderr, "mapname:  conversion of %s failed\n", shown_text(stored).c_str());
        release_host_paths();
        return HOST_ERROR;
    }

    // A truncated name (result 1) is still extracted; its warning was printed.
    r = checkdir(component.c_str(), CHECKDIR_ADD_NAME);
    if (r > HOST_WARNING) return r;
    checkdir(nullptr, CHECKDIR_TAKE_PATH);

    if (label) {
        const char drive[3] = {static_cast<char>(96 + host_paths.label_drive), ':', '\0'};
        if (G.quiet_level <= 0) std::printf("labelling %s %-22s\n", drive, shown_text(G.member_name).c_str());
        // SetVolumeLabelA wants the root directory of the drive.
        const char root[4] = {drive[0], ':', '\\', '\0'};
        if (!SetVolumeLabelA(root, G.member_name.c_str())) {
            std::fprintf(stderr, "mapname:  error setting volume label\n");
            return HOST_ERROR;
        }
        return HOST_SKIP;
    }
    if (walk.renamed) {
        std::fprintf(stderr, "warning:  %s:  not a name Windows allows; extracted as %s\n",
                     shown_text(stored).c_str(), shown_text(G.member_name).c_str());
        return HOST_WARNING;
    }
    return walk.dropped ? HOST_WARNING : HOST_OK;
}

}  // namespace

int mapname(int) {
    try {
        return map_name();
    } catch (const std::bad_alloc&) {
        release_host_paths();
        return HOST_NO_MEMORY;
    }
}
