// Shell links on Windows: the shell's own link object, filled through its ANSI
// interface and saved through its persist-file interface.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32_shell.h"

namespace {

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

int host_save_shell_link(const ShellLink& link, const WCHAR* file) {
    ComRef<IShellLinkA> shell_link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell_link.p))) ||
        !shell_link.p)
        return LINK_NOT_CREATED;

    IShellLinkA* l = shell_link.p;
    l->SetPath(link.path.c_str());
    l->SetArguments(link.arguments.c_str());
    l->SetWorkingDirectory(link.working_directory.c_str());
    l->SetDescription(link.description.c_str());
    if (!link.icon_path.empty()) l->SetIconLocation(link.icon_path.c_str(), link.icon_index);

    ComRef<IPersistFile> persist;
    if (FAILED(l->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist.p))) || !persist.p)
        return LINK_NOT_SAVED;
    return SUCCEEDED(persist.p->Save(reinterpret_cast<LPCOLESTR>(file), TRUE)) ? LINK_SAVED
                                                                              : LINK_NOT_SAVED;
}
