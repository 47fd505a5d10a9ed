#include "setup/profile.h"

#include <cstdint>

#include "platform/os_layer.h"

std::optional<std::string> profile_home_path() {
    char home[OS_PATH_SIZE];
    uint32_t size = sizeof home;
    if (!os_IniMgr(OS_INI_QUERY, 0, PROFILE_APPLICATION, PROFILE_HOME_PATH, home, &size)) return std::nullopt;
    return std::string(home);
}
