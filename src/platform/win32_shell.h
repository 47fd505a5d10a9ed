// The Win32 calls of the setup program beyond those of the archive engine:
// module path, file copy, search path, environment expansion, code-page
// conversion, the read-only registry access for the Programs folder, synchronous window
// messages, and saving a shell link.
//
// On Windows these are the real API (host_save_shell_link is written over COM by
// the Windows build). On Linux the POSIX layer implements them with the same
// names and types: paths go through the drive mapping of hostfile.h, the ANSI
// code page is Windows-1252 and the OEM code page 850, the registry is an
// in-memory store that tests seed (posix_registry_set), and a shell link is
// written as a Shell Link (.lnk) binary file.
#pragma once

#include <string>

#include "platform/win32_api.h"

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#else

#include <cstddef>
#include <cstdint>

using HWND = void*;
using HMODULE = void*;
using HKEY = struct RegistryKey*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using HRESULT = int32_t;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))

constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr HRESULT S_OK = 0;

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
BOOL CopyFileA(LPCSTR source, LPCSTR target, BOOL fail_if_exists);
DWORD SearchPathA(LPCSTR path, LPCSTR file, LPCSTR extension, DWORD size, LPSTR buffer,
                  LPSTR* file_part);
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR target, DWORD size);
BOOL OemToCharA(LPCSTR source, LPSTR target);
int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR source, int source_length,
                        WCHAR* target, int target_length);
int WideCharToMultiByte(UINT code_page, DWORD flags, const WCHAR* source, int source_length,
                        LPSTR target, int target_length, LPCSTR default_char, BOOL* used_default);

constexpr DWORD KEY_READ = 0x20019;
LONG RegCreateKeyA(HKEY key, LPCSTR subkey, HKEY* result);
LONG RegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD options, DWORD access, HKEY* result);
LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size);
LONG RegCloseKey(HKEY key);

// Records the message in the window's list of sent messages (os_script.h).
LRESULT SendMessageA(HWND window, UINT code, WPARAM param1, LPARAM param2);

HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Seeds the in-memory registry: value `name` (REG_SZ) of `subkey` below `root`.
void posix_registry_set(HKEY root, const char* subkey, const char* name, const char* value);
void posix_registry_clear();
// Opens `subkey` below `key`; creates it when missing only if `create` is set.
LONG posix_registry_open(HKEY key, LPCSTR subkey, bool create, HKEY* result);

#endif  // _WIN32

// A shell link as the setup creates it.
struct ShellLink {
    std::string path;               // target
    std::string arguments;
    std::string working_directory;
    std::string description;
    std::string icon_path;          // empty: no icon location
    int icon_index = 0;
};

// Result of host_save_shell_link.
enum : int {
    LINK_SAVED = 0,
    LINK_NOT_CREATED = 1,  // the shell-link object could not be created
    LINK_NOT_SAVED = 2,    // the link could not be saved under the file name
};

// Creates a shell link with these properties and saves it under `file`
// (UTF-16, zero-terminated; the setup converts its ANSI name with
// MultiByteToWideChar). Call between CoInitialize and CoUninitialize.
int host_save_shell_link(const ShellLink& link, const WCHAR* file);
