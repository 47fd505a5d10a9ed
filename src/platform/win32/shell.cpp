// The shell on Windows: the Programs folders from the registry's shell folders,
// and shortcuts saved as shell links through the shell's own link object,
// filled through its ANSI interface and saved through its persist-file
// interface.
#include <windows.h>
#include <direct.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "platform/shell.h"

namespace {

constexpr const char* SHELL_FOLDERS_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* PROGRAMS_VALUE = "Programs";
constexpr const char* COMMON_PROGRAMS_VALUE = "Common Programs";

// Releases a COM interface at the end of its scope.
template <typename T>
struct ComRef {
    T* p = nullptr;
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p) p->Release();
    }
};

}  // namespace

bool shell_programs_folder(std::string& folder, bool all_users) {
    folder.clear();
    HKEY key = nullptr;
    bool found = false;
    char work[MAX_PATH] = {};
    // Opened read-only: reading the folder writes nothing, not even an empty key.
    if (RegOpenKeyExA(all_users ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        DWORD work_size = sizeof work - 1;  // room for a terminator the value may lack
        DWORD type = 0;
        found = RegQueryValueExA(key, all_users ? COMMON_PROGRAMS_VALUE : PROGRAMS_VALUE, nullptr, &type,
                                 reinterpret_cast<BYTE*>(work), &work_size) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (found) work[work_size < sizeof work ? work_size : sizeof work - 1] = '\0';
        else work[0] = '\0';
    }
    char expanded[MAX_PATH] = {};
    const DWORD needed = ExpandEnvironmentStringsA(work, expanded, sizeof expanded);
    if (needed == 0 || needed > sizeof expanded) expanded[0] = '\0';  // nothing usable: an empty folder path
    folder = expanded;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (folder.empty()) found = false;
    return found;
}

bool shell_create_folder(const std::string& path) {
    if (_mkdir(path.c_str()) == 0) return true;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ShellSession::ShellSession() { CoInitialize(nullptr); }
ShellSession::~ShellSession() { CoUninitialize(); }

int shell_create_shortcut(const Shortcut& shortcut) {
    ComRef<IShellLinkA> shell_link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell_link.p))) ||
        !shell_link.p)
        return SHORTCUT_NOT_CREATED;

    IShellLinkA* l = shell_link.p;
    l->SetPath(shortcut.target.c_str());
    l->SetArguments(shortcut.arguments.c_str());
    l->SetWorkingDirectory(shortcut.working_directory.c_str());
    l->SetDescription(shortcut.description.c_str());
    if (!shortcut.icon_path.empty()) l->SetIconLocation(shortcut.icon_path.c_str(), shortcut.icon_index);

    ComRef<IPersistFile> persist;
    if (FAILED(l->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist.p))) || !persist.p)
        return SHORTCUT_NOT_SAVED;
    // The link's file name from the ANSI code page to UTF-16.
    std::vector<WCHAR> file(shortcut.link_path.size() + 1);
    if (MultiByteToWideChar(CP_ACP, 0, shortcut.link_path.c_str(), -1, file.data(), static_cast<int>(file.size())) == 0)
        return SHORTCUT_NOT_SAVED;
    return SUCCEEDED(persist.p->Save(file.data(), TRUE)) ? SHORTCUT_SAVED : SHORTCUT_NOT_SAVED;
}
