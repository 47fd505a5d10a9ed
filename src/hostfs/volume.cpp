#include "hostfs/volume.h"

#include <array>
#include <cctype>
#include <string>

#include "platform/win32_api.h"

bool volume_accepts_name(const char* path) {
    OFSTRUCT info;
    const HFILE f = OpenFileU(path, &info, OF_READ | OF_SHARE_DENY_NONE);
    if (f != HFILE_ERROR) {
        _lclose(f);
        return true;
    }
    const DWORD error = GetLastError();
    return error != ERROR_INVALID_NAME && error != ERROR_FILENAME_EXCED_RANGE;
}

namespace {

bool has_drive(const char* path) {
    return std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

}  // namespace

bool volume_is_fat(const char* path) {
    if (!path) return false;
    std::string full = path;
    if (!has_drive(path)) {
        std::array<char, MAX_PATH> buf{};
        const DWORD n = GetFullPathNameA(path, MAX_PATH, buf.data(), nullptr);
        if (n == 0 || n >= MAX_PATH) return false;
        full = buf.data();
    }
#ifdef _WIN32
    // The volume root: drive letter, colon and backslash.
    const std::string root = full.substr(0, 2) + "\\";
#else
    // Linux paths have no drive root; the POSIX layer finds the file system that
    // holds the path itself.
    const std::string& root = full;
#endif
    std::array<char, 32> fs_name{};
    if (!GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fs_name.data(),
                               static_cast<DWORD>(fs_name.size())))
        return false;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(fs_name[i])) != "FAT"[i]) return false;
    return true;
}

bool drive_is_removable(int drive) {
    if (drive < 1 || drive > 26) return false;
    const std::array<char, 4> root{static_cast<char>(64 + drive), ':', '/', '\0'};
    return GetDriveTypeA(root.data()) == DRIVE_REMOVABLE;
}
