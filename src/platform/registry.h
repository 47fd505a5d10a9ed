// The registry as the setup writes it: the values of its entry in Add/Remove
// Programs, read before they are replaced so that a rollback can put them
// back, and removed again by the uninstaller. Only string and 32-bit number
// values; keys are paths below the root ("Software\...\Uninstall\TEV").
//
// On Windows these are the registry calls on HKEY_CURRENT_USER (user) and
// HKEY_LOCAL_MACHINE (machine).
//
// Linux has no registry: each root is a text record on the mapped drive C:
// (REGISTRY_RECORD_FILES), one line per key and per value, so that tests and
// setup_headless can read back what the setup wrote:
//   KEY
//   KEY<tab>NAME<tab>REG_SZ<tab>TEXT
//   KEY<tab>NAME<tab>REG_DWORD<tab>DECIMAL
// Keys and names compare without regard to letter case, as on Windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

enum class RegistryRoot { user, machine };

struct RegistryValue {
    std::string name;
    bool is_number = false;  // REG_DWORD; otherwise REG_SZ
    std::string text;
    uint32_t number = 0;

    bool operator==(const RegistryValue&) const = default;
};

// The record files of the user and machine roots on Linux.
inline constexpr std::array<const char*, 2> REGISTRY_RECORD_FILES = {"C:\\Users\\Demo\\registry.txt",
                                                                    "C:\\Windows\\registry.txt"};

// Reads value `name` of `key`; false when the key or the value is missing (or
// is of another type).
bool registry_read(RegistryRoot root, const std::string& key, const std::string& name, RegistryValue& value);

bool registry_key_exists(RegistryRoot root, const std::string& key);

// Writes a value, creating the key (and its parents) when missing.
bool registry_write(RegistryRoot root, const std::string& key, const RegistryValue& value);

// Removes a value; true when it is gone (also when it was not there).
bool registry_delete_value(RegistryRoot root, const std::string& key, const std::string& name);

// Removes a key that has no subkeys, with its values; true when it is gone.
bool registry_delete_key(RegistryRoot root, const std::string& key);

// Whether this process may create keys and values below the root's
// "Software" key (the machine root needs administrator rights).
bool registry_may_write(RegistryRoot root);

// "HKCU" or "HKLM", for messages and logs.
constexpr const char* registry_root_name(RegistryRoot root) { return root == RegistryRoot::user ? "HKCU" : "HKLM"; }
