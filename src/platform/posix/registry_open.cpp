// RegOpenKeyExA of the Linux layer's registry: opens an existing key only.
// Options and access rights have no meaning in the in-memory store.
#include "platform/win32_shell.h"

LONG RegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD, DWORD, HKEY* result) {
    return posix_registry_open(key, subkey, false, result);
}
