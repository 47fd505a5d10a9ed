// The Linux layer's start-up, thread contexts, system values, profile store,
// current directory and assertion reports.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/os_layer.h"
#include "platform/posix/os_values.h"
#include "platform/posix/posix_util.h"

namespace {

std::mutex values_lock;
std::map<int, int32_t> sys_values;
std::map<std::pair<std::string, std::string>, std::string> profile;
bool machine_rights = true;

int32_t default_sys_value(int index) {
    switch (index) {
    case OS_SV_VERSION: return 400;
    case OS_SV_PLATFORM: return OS_PLATFORM_NT;
    case OS_SV_SCREEN_WIDTH: return 1024;
    case OS_SV_SCREEN_HEIGHT: return 768;
    default: return 0;
    }
}

constexpr uintptr_t CONTEXT_MARK = 0x54455643;  // marks an initialised context block

}  // namespace

int os_Initialize(intptr_t, const char*, int) { return 1; }

// A thread needs nothing of its own on Linux; the context block is only marked.
int os_InitWinThread(OS_THREADCTX* context, int, int) {
    if (!context) return 0;
    context->reserved[0] = CONTEXT_MARK;
    return 1;
}

int os_CleanupWinThread(OS_THREADCTX* context) {
    if (!context || context->reserved[0] != CONTEXT_MARK) return 0;
    context->reserved[0] = 0;
    return 1;
}

int32_t os_QuerySysValue(int index) {
    std::lock_guard<std::mutex> guard(values_lock);
    const auto it = sys_values.find(index);
    return it != sys_values.end() ? it->second : default_sys_value(index);
}

int os_IniMgr(int operation, int, const char* application, const char* key, char* buffer,
              uint32_t* size) {
    if (operation != OS_INI_QUERY || !application || !key) return 0;
    std::lock_guard<std::mutex> guard(values_lock);
    const auto it = profile.find({application, key});
    if (it == profile.end()) return 0;
    if (buffer && size && *size > 0) {
        const size_t n = std::min(it->second.size(), static_cast<size_t>(*size - 1));
        std::memcpy(buffer, it->second.data(), n);
        buffer[n] = '\0';
        *size = static_cast<uint32_t>(n);
    }
    return 1;
}

void posix_set_sys_value(int index, int32_t value) {
    std::lock_guard<std::mutex> guard(values_lock);
    sys_values[index] = value;
}

void posix_set_profile_value(const char* application, const char* key, const char* value) {
    std::lock_guard<std::mutex> guard(values_lock);
    profile[{application ? application : "", key ? key : ""}] = value ? value : "";
}

void posix_set_machine_rights(bool allowed) {
    std::lock_guard<std::mutex> guard(values_lock);
    machine_rights = allowed;
}

bool posix_machine_rights() {
    std::lock_guard<std::mutex> guard(values_lock);
    return machine_rights;
}

void posix_reset_values() {
    std::lock_guard<std::mutex> guard(values_lock);
    sys_values.clear();
    profile.clear();
    machine_rights = true;
}

int os_QueryCWD(char* buffer, size_t size) {
    if (!buffer || size == 0) return 1;
    buffer[0] = '\0';
    std::vector<char> native(4096);
    if (!::getcwd(native.data(), native.size())) return 1;
    const std::string windows = posix_to_windows_path(native.data());
    if (windows.size() >= size) return 1;
    std::memcpy(buffer, windows.c_str(), windows.size() + 1);
    return 0;
}

void os_AssertMsg(const char* expression, const char* source, int line) {
    // Reported, never fatal.
    std::fprintf(stderr, "assertion failed: %s, file %s, line %d\n", expression ? expression : "",
                 source ? source : "", line);
    std::fflush(stderr);
}
