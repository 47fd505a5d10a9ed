#include "migration/path_names.h"

#include <cctype>

#include "platform/os_layer.h"
#include "setup/setup_state.h"

bool join_path(std::string& out, std::string_view directory, std::string_view name) {
    std::string joined(directory);
    if (joined.empty() || joined.back() != '\\') joined += '\\';
    joined += name;
    if (joined.size() > SETUP_PATH_MAX) {
        out.clear();
        return false;
    }
    out = std::move(joined);
    return true;
}

int compare_nocase(std::string_view a, std::string_view b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const int ca = i < a.size() ? std::tolower(static_cast<unsigned char>(a[i])) : 0;
        const int cb = i < b.size() ? std::tolower(static_cast<unsigned char>(b[i])) : 0;
        if (ca != cb) return ca - cb;
        if (ca == 0) return 0;
    }
    return 0;
}

std::string stored_spelling(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos || path.size() >= sizeof(OS_FILEFIND::name)) return path;
    OS_FILEFIND entry;
    path.copy(entry.name, path.size());
    entry.name[path.size()] = '\0';
    std::string spelled = path;
    if (os_FileFindMgr(OS_FIND_FIRST, &entry) == 0) {
        const std::string_view found = entry.name;
        const std::string_view wanted = std::string_view(path).substr(slash + 1);
        if (found.size() == wanted.size() && compare_nocase(found, wanted, found.size()) == 0)
            spelled = path.substr(0, slash + 1) + entry.name;
    }
    os_FileFindMgr(OS_FIND_END, &entry);
    return spelled;
}
