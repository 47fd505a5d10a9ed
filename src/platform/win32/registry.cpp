// The registry on Windows: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE through
// the ANSI registry calls.
#include <windows.h>

#include <vector>

#include "platform/registry.h"

namespace {

HKEY root_key(RegistryRoot root) { return root == RegistryRoot::user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// Closes a key at the end of its scope.
struct Key {
    HKEY handle = nullptr;
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (handle) RegCloseKey(handle);
    }
};

}  // namespace

bool registry_read(RegistryRoot root, const std::string& key, const std::string& name, RegistryValue& value) {
    Key k;
    if (RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_QUERY_VALUE, &k.handle) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(k.handle, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    std::vector<BYTE> data(size + 1, 0);
    if (RegQueryValueExA(k.handle, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return false;
    RegistryValue v;
    v.name = name;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        v.is_number = true;
        v.number = *reinterpret_cast<const DWORD*>(data.data());
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
        v.text.assign(reinterpret_cast<const char*>(data.data()), strnlen(reinterpret_cast<const char*>(data.data()), size));
    } else {
        return false;
    }
    value = v;
    return true;
}

bool registry_key_exists(RegistryRoot root, const std::string& key) {
    Key k;
    return RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_READ, &k.handle) == ERROR_SUCCESS;
}

bool registry_write(RegistryRoot root, const std::string& key, const RegistryValue& value) {
    Key k;
    if (RegCreateKeyExA(root_key(root), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k.handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    if (value.is_number) {
        const DWORD number = value.number;
        return RegSetValueExA(k.handle, value.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                              sizeof number) == ERROR_SUCCESS;
    }
    return RegSetValueExA(k.handle, value.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                          static_cast<DWORD>(value.text.size() + 1)) == ERROR_SUCCESS;
}

bool registry_delete_value(RegistryRoot root, const std::string& key, const std::string& name) {
    Key k;
    const LONG opened = RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_SET_VALUE, &k.handle);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LONG r = RegDeleteValueA(k.handle, name.c_str());
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

bool registry_delete_key(RegistryRoot root, const std::string& key) {
    const LONG r = RegDeleteKeyA(root_key(root), key.c_str());
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

bool registry_may_write(RegistryRoot root) {
    Key k;
    return RegOpenKeyExA(root_key(root), "Software", 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &k.handle) ==
           ERROR_SUCCESS;
}
