// Full paths, volume and drive queries, and volume labels (GetFullPathNameA,
// GetVolumeInformationA, GetDriveTypeA, SetVolumeLabelA) over POSIX.
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/hostfile.h"
#include "platform/posix/posix_util.h"
#include "platform/posix/test_overrides.h"
#include "platform/win32_api.h"

namespace {

std::string current_directory() {
    std::vector<char> buf(4096);
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return std::string();
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

// An absolute path with "." and ".." components and repeated separators resolved;
// a trailing separator of the input is kept.
std::string normalize(const std::string& absolute) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < absolute.size()) {
        size_t j = absolute.find('/', i);
        if (j == std::string::npos) j = absolute.size();
        const std::string part = absolute.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    if (out.empty()) return "/";
    if (absolute.back() == '/') out += '/';
    return out;
}

struct FsName {
    unsigned long magic;
    const char* name;
};

// File-system type numbers of statfs and the names GetVolumeInformationA reports.
constexpr FsName FS_NAMES[] = {
    {0x4d44, "FAT"},          // msdos and vfat
    {0x2011BAB0, "EXFAT"},
    {0x5346544e, "NTFS"},
    {0x7366746e, "NTFS"},     // ntfs3
    {0xEF53, "EXT4"},         // ext2, ext3 and ext4 share the number
    {0x9123683E, "BTRFS"},
    {0x58465342, "XFS"},
    {0x01021994, "TMPFS"},
    {0x794c7630, "OVERLAY"},
    {0x6969, "NFS"},
    {0xFF534D42, "CIFS"},
    {0xFE534D42, "SMB2"},
    {0x65735546, "FUSE"},
    {0x9660, "CDFS"},
    {0x15013346, "UDF"},
    {0x2fc12fc1, "ZFS"},
    {0xF2F52010, "F2FS"},
    {0x73717368, "SQUASHFS"},
    {0x3153464a, "JFS"},
    {0x52654973, "REISERFS"},
};

const char* fs_name_of(unsigned long magic) {
    for (const FsName& f : FS_NAMES)
        if (f.magic == magic) return f.name;
    return "UNIX";
}

// statfs of the nearest existing directory that holds `path`.
bool statfs_of(std::string path, struct statfs* out) {
    for (;;) {
        if (::statfs(path.empty() ? "." : path.c_str(), out) == 0) return true;
        if (errno != ENOENT && errno != ENOTDIR) return false;
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        const size_t slash = path.rfind('/');
        if (path.empty() || path == "/") return false;
        path = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    }
}

bool copy_out(const char* text, LPSTR buffer, DWORD size) {
    if (!buffer) return true;
    const size_t n = std::strlen(text);
    if (n + 1 > size) return false;
    std::memcpy(buffer, text, n + 1);
    return true;
}

}  // namespace

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* file_part) {
    if (file_part) *file_part = nullptr;
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::string path = host_native_path(name);
    if (path.empty() || path[0] != '/') {
        const std::string cwd = current_directory();
        if (cwd.empty()) {
            set_last_error_from_errno();
            return 0;
        }
        path = cwd + "/" + path;
    }
    path = normalize(path);
    // As on Windows: the length without the terminator when it fits, else the size
    // the buffer needs (with the terminator), and the buffer is left alone.
    if (!buffer || path.size() + 1 > size) return static_cast<DWORD>(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    if (file_part && path.back() != '/') *file_part = buffer + path.rfind('/') + 1;
    return static_cast<DWORD>(path.size());
}

// The root may be any path on the volume (not only a drive root): the nearest
// existing directory that holds it is asked.
BOOL GetVolumeInformationA(LPCSTR root, LPSTR volume_name, DWORD volume_name_size, DWORD* serial,
                           DWORD* max_component, DWORD* fs_flags, LPSTR fs_name,
                           DWORD fs_name_size) {
    const char* type = nullptr;
    DWORD name_max = 255;
    DWORD id = 0;
    if (fat_names_override()) {
        type = "FAT";
        name_max = 12;
    } else {
        struct statfs st;
        if (!statfs_of(root && *root ? host_native_path(root) : std::string("."), &st)) {
            set_last_error_from_errno();
            return FALSE;
        }
        type = fs_name_of(static_cast<unsigned long>(st.f_type));
        name_max = static_cast<DWORD>(st.f_namelen);
        int fsid[2];
        std::memcpy(fsid, &st.f_fsid, sizeof fsid);
        id = static_cast<DWORD>(fsid[0]) ^ static_cast<DWORD>(fsid[1]);
    }
    if (!copy_out("", volume_name, volume_name_size) || !copy_out(type, fs_name, fs_name_size)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (serial) *serial = id;
    if (max_component) *max_component = name_max;
    if (fs_flags) *fs_flags = 0;
    return TRUE;
}

UINT GetDriveTypeA(LPCSTR root) {
    if (removable_drives_override()) return DRIVE_REMOVABLE;
    struct stat st;
    const std::string path = root && *root ? host_native_path(root) : std::string(".");
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return DRIVE_NO_ROOT_DIR;
    return DRIVE_FIXED;
}

// Linux volumes have no label that a program could set this way.
BOOL SetVolumeLabelA(LPCSTR, LPCSTR) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
