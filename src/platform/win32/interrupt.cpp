// Interruption handling over the console control handler, which Windows runs on
// a thread of its own: the output file (opened shared for deletion) is removed
// while open, the message is written straight to the standard error handle, and
// the process ends at once, without running the C runtime's clean-up, which could
// wait for locks the working thread holds.
#include "platform/interrupt.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/win32/wide_paths.h"

namespace {

std::atomic<const std::wstring*> output_path{nullptr};
std::atomic<const std::string*> shown{nullptr};
std::wstring path_slots[2];
std::string shown_slots[2];
int slot = 0;
std::atomic<int> exit_code{1};

void put(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written,
              nullptr);
}

BOOL WINAPI on_control(DWORD event) {
    const char* name = nullptr;
    switch (event) {
    case CTRL_C_EVENT: name = "Ctrl-C"; break;
    case CTRL_BREAK_EVENT: name = "Ctrl-Break"; break;
    case CTRL_CLOSE_EVENT: name = "the closing of the console"; break;
    default: return FALSE;
    }
    put("\nerror:  interrupted by ");
    put(name);
    const std::wstring* path = output_path.load();
    if (path) {
        DeleteFileW(path->c_str());
        put(" while writing ");
        put(shown.load()->c_str());
        put("; the incomplete file was removed");
    }
    put("\n");
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code.load()));
    return TRUE;
}

}  // namespace

void host_catch_interruptions(int code) {
    exit_code = code;
    static bool installed = false;
    if (!installed) installed = SetConsoleCtrlHandler(on_control, TRUE) != 0;
}

void host_output_begun(const char* path, const char* shown_name) {
    output_path.store(nullptr);
    // Two slots: the handler may still read the previous one.
    slot ^= 1;
    path_slots[slot] = wide_path(path);
    shown_slots[slot] = shown_name ? shown_name : "";
    shown.store(&shown_slots[slot]);
    output_path.store(&path_slots[slot]);
}

void host_output_ended() { output_path.store(nullptr); }
