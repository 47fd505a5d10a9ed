// The Linux layer's registry: an in-memory store of string values that the
// program (in practice, a test) seeds with posix_registry_set. Key names are
// compared without regard to case, as in the Windows registry.
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32_shell.h"

namespace {

std::mutex registry_lock;
// Full key name (root number, backslash, path; lower case) -> value name (lower case) -> value.
std::map<std::string, std::map<std::string, std::string>> keys;
std::vector<std::string> open_keys;  // a key handle is its index + 1

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The full name of `subkey` below `key` (a root or an open key), or "" when the key is unknown.
std::string full_name(HKEY key, const char* subkey) {
    const auto value = reinterpret_cast<uintptr_t>(key);
    std::string base;
    if (value >= 0x80000000u) base = std::to_string(value);
    else if (value >= 1 && value <= open_keys.size()) base = open_keys[value - 1];
    if (base.empty()) return "";  // an unknown or closed key
    if (subkey && *subkey) base += "\\" + lower(subkey);
    return base;
}

}  // namespace

void posix_registry_set(HKEY root, const char* subkey, const char* name, const char* value) {
    std::lock_guard<std::mutex> guard(registry_lock);
    const std::string key = full_name(root, subkey);
    if (!key.empty()) keys[key][lower(name ? name : "")] = value ? value : "";
}

void posix_registry_clear() {
    std::lock_guard<std::mutex> guard(registry_lock);
    keys.clear();
}

LONG posix_registry_open(HKEY key, LPCSTR subkey, bool create, HKEY* result) {
    if (!result) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> guard(registry_lock);
    const std::string name = full_name(key, subkey);
    if (name.empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (!create && keys.find(name) == keys.end()) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    keys[name];  // created when missing
    open_keys.push_back(name);
    *result = reinterpret_cast<HKEY>(static_cast<uintptr_t>(open_keys.size()));
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegCreateKeyA(HKEY key, LPCSTR subkey, HKEY* result) {
    return posix_registry_open(key, subkey, true, result);
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
    std::lock_guard<std::mutex> guard(registry_lock);
    const std::string key_name = full_name(key, nullptr);
    const auto k = keys.find(key_name);
    if (key_name.empty() || k == keys.end()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    const auto v = k->second.find(lower(name ? name : ""));
    if (v == k->second.end()) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    if (type) *type = REG_SZ;
    const DWORD needed = static_cast<DWORD>(v->second.size() + 1);
    if (!size) return data ? static_cast<LONG>(ERROR_INVALID_PARAMETER) : static_cast<LONG>(ERROR_SUCCESS);
    if (!data) {
        *size = needed;
        return static_cast<LONG>(ERROR_SUCCESS);
    }
    if (*size < needed) {
        *size = needed;
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    std::memcpy(data, v->second.c_str(), needed);
    *size = needed;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegCloseKey(HKEY key) {
    std::lock_guard<std::mutex> guard(registry_lock);
    const auto value = reinterpret_cast<uintptr_t>(key);
    if (value < 1 || value > open_keys.size()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (open_keys[value - 1].empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    open_keys[value - 1].clear();
    return static_cast<LONG>(ERROR_SUCCESS);
}
