// The Win32 layer's start and stop, system values, profile store, current
// directory and assertion reports.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/os_layer.h"
#include "platform/win32/os_win32.h"

namespace {

HINSTANCE layer_instance = nullptr;

}  // namespace

HINSTANCE win32_instance() { return layer_instance ? layer_instance : GetModuleHandleA(nullptr); }

int os_Initialize(intptr_t instance, const char*, int) {
    if (instance == -1) {  // shut down
        layer_instance = nullptr;
        return 1;
    }
    layer_instance = reinterpret_cast<HINSTANCE>(instance);
    return 1;
}

int32_t os_QuerySysValue(int index) {
    switch (index) {
    case OS_SV_VERSION: {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!GetVersionExA(&info)) return 0;
        return static_cast<int32_t>(info.dwMajorVersion * 100 + info.dwMinorVersion % 100);
    }
    case OS_SV_PLATFORM: {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!GetVersionExA(&info)) return 0;
        if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) return OS_PLATFORM_NT;
        return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? WIN32_PLATFORM_95 : WIN32_PLATFORM_OTHER;
    }
    case 7: return GetSystemMetrics(SM_CYFRAME);
    case 10: return GetSystemMetrics(SM_CYCAPTION);
    case 11: return GetSystemMetrics(SM_CXSCREEN);
    case 12: return GetSystemMetrics(SM_CYSCREEN);
    case 17: return static_cast<int32_t>(GetSysColor(COLOR_HIGHLIGHT));
    default: return 0;
    }
}

int os_IniMgr(int operation, int, const char* application, const char* key, char* buffer,
              uint32_t* size) {
    if (operation != OS_INI_QUERY || !application || !key) return 0;
    const std::string subkey = std::string(WIN32_PROFILE_ROOT) + application;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0;
    DWORD needed = 0;
    LONG r = RegQueryValueExA(handle, key, nullptr, &type, nullptr, &needed);
    std::vector<BYTE> value(needed + 1, 0);
    if (r == ERROR_SUCCESS) r = RegQueryValueExA(handle, key, nullptr, &type, value.data(), &needed);
    RegCloseKey(handle);
    if (r != ERROR_SUCCESS) return 0;
    if (buffer && size && *size > 0) {
        size_t n = strnlen(reinterpret_cast<const char*>(value.data()), needed);
        if (n > *size - 1) n = *size - 1;
        std::memcpy(buffer, value.data(), n);
        buffer[n] = '\0';
        *size = static_cast<uint32_t>(n);
    }
    return 1;
}

int os_QueryCWD(char* buffer, size_t size) {
    if (!buffer || size == 0) return 1;
    buffer[0] = '\0';
    const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    if (n == 0 || n >= size) {
        buffer[0] = '\0';
        return 1;
    }
    return 0;
}

void os_AssertMsg(const char* expression, const char* source, int line) {
    char text[600];
    std::snprintf(text, sizeof text, "assertion failed: %s, file %s, line %d\n",
                  expression ? expression : "", source ? source : "", line);
    // Reported, never fatal: on the error stream and to a debugger.
    std::fputs(text, stderr);
    std::fflush(stderr);
    OutputDebugStringA(text);
}
