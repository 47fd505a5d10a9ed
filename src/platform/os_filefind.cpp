// The layer's file search over FindFirstFileA / FindNextFileA / FindClose (the same on both systems).
#include <algorithm>
#include <cstring>

#include "platform/os_layer.h"
#include "platform/win32_api.h"

namespace {

void deliver(const WIN32_FIND_DATAA& data, OS_FILEFIND* entry) {
    const size_t n = strnlen(data.cFileName, sizeof data.cFileName - 1);
    const size_t kept = std::min(n, sizeof entry->name - 1);
    std::memcpy(entry->name, data.cFileName, kept);
    entry->name[kept] = '\0';
    entry->attributes = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? OS_FILE_DIRECTORY : 0;
}

}  // namespace

int os_FileFindMgr(int operation, OS_FILEFIND* entry) {
    if (!entry) return 1;
    WIN32_FIND_DATAA data;
    switch (operation) {
    case OS_FIND_FIRST: {
        entry->name[sizeof entry->name - 1] = '\0';
        const HANDLE search = FindFirstFileA(entry->name, &data);
        if (search == INVALID_HANDLE_VALUE) {
            entry->search = nullptr;
            return 1;
        }
        entry->search = search;
        deliver(data, entry);
        return 0;
    }
    case OS_FIND_NEXT:
        if (!entry->search || !FindNextFileA(entry->search, &data)) return 1;
        deliver(data, entry);
        return 0;
    case OS_FIND_END:
        if (entry->search) FindClose(entry->search);
        entry->search = nullptr;
        return 0;
    default:
        return 1;
    }
}
