// The shell on Linux: fixed Programs folders on drive C:, made when it is
// missing, and shortcuts kept as text records (platform/shell.h), written
// through the drive mapping.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/hostfile.h"
#include "platform/posix/posix_util.h"
#include "platform/shell.h"

bool shell_programs_folder(std::string& folder, bool all_users) {
    // The folder is there, as on Windows: each missing level is made.
    folder = all_users ? SHELL_COMMON_PROGRAMS_FOLDER : SHELL_PROGRAMS_FOLDER;
    for (size_t at = folder.find('\\', 3); at != std::string::npos; at = folder.find('\\', at + 1))
        host_mkdir(folder.substr(0, at).c_str());
    host_mkdir(folder.c_str());
    return true;
}

bool shell_create_folder(const std::string& path) {
    if (host_mkdir(path.c_str()) == 0) return true;
    HostStat st;
    return host_stat(path.c_str(), &st) == 0 && st.is_dir;
}

ShellSession::ShellSession() = default;
ShellSession::~ShellSession() = default;

int shell_create_shortcut(const Shortcut& shortcut) {
    if (shortcut.link_path.empty()) return SHORTCUT_NOT_SAVED;
    const std::string target = host_native_path(shortcut.link_path.c_str());
    const std::string record = shortcut_record(shortcut);

    // Written beside the target and renamed over it: a shortcut is saved whole or not at all.
    std::string temp = target + ".save-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return SHORTCUT_NOT_SAVED;
    bool ok = ::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
    ok = ::fchmod(fd, 0644) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    forget_folder_listings();
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok ? SHORTCUT_SAVED : SHORTCUT_NOT_SAVED;
}
