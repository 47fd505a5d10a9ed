// The Win32 layer's dialogs: creation from the program's resources, the
// message loop that runs them, the translation of Win32 messages into the
// portable form, and the dialog procedure that calls the portable one.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/os_windows.h"
#include "platform/win32/os_win32.h"

namespace {

HWND hwnd(HWIN window) { return static_cast<HWND>(window); }

// Window properties of a dialog of this layer.
constexpr const char* PROP_PROCEDURE = "TevDialogProc";
constexpr const char* PROP_DISMISSED = "TevDismissed";
constexpr const char* PROP_RESULT = "TevResult";

// Set by os_DefDlgProc: the portable procedure handed the message it was
// called with to the default handling. One flag per thread; each call of the
// dialog procedure saves and restores it, so nested messages keep their own.
thread_local bool handed_to_default = false;

// Diagnosis: with TEV_TRACE_DIALOG set, each message the portable procedure
// handled is written to the error stream as "dialog <portable code> <param1>".
bool tracing() {
    static const bool on = std::getenv("TEV_TRACE_DIALOG") != nullptr;
    return on;
}

bool is_push_button(HWND control) {
    char name[16] = {};
    if (!GetClassNameA(control, name, sizeof name) || lstrcmpiA(name, "Button") != 0) return false;
    const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

INT_PTR CALLBACK layer_dialog_proc(HWND dialog, UINT message, WPARAM param1, LPARAM param2) {
    if (message == WM_INITDIALOG) SetPropA(dialog, PROP_PROCEDURE, reinterpret_cast<HANDLE>(param2));
    const auto procedure = reinterpret_cast<OsWindowProc>(GetPropA(dialog, PROP_PROCEDURE));
    if (!procedure) return FALSE;  // messages before WM_INITDIALOG: the dialog manager's

    const bool saved = handed_to_default;
    handed_to_default = false;
    const intptr_t result = procedure(dialog, message, param1, param2);
    const bool defaulted = handed_to_default;
    handed_to_default = saved;

    if (message == WM_INITDIALOG) {
        // The procedure chose the focus itself: FALSE keeps it there (TRUE
        // would move it to the first tab stop).
        const HWND focus = GetFocus();
        const bool chose_focus = focus && IsChild(dialog, focus);
        return chose_focus ? FALSE : TRUE;
    }
    if (defaulted) return FALSE;  // the dialog manager's default handling
    if (tracing()) {
        uintptr_t p1 = param1;
        intptr_t p2 = param2;
        const uint32_t code = os_TranslateMsg(dialog, message, &p1, &p2);
        std::fprintf(stderr, "dialog 0x%X 0x%lX\n", static_cast<unsigned>(code),
                     static_cast<unsigned long>(p1));
        std::fflush(stderr);
    }
    // Handled: no default handling (WM_CLOSE must not also become IDCANCEL,
    // a posted 0x402 must not also be DM_REPOSITION).
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace

uint32_t os_TranslateMsg(HWIN, uint32_t message, uintptr_t* param1, intptr_t* param2) {
    switch (message) {
    case WM_INITDIALOG:
        return OS_MSG_INITDLG;
    case WM_CLOSE:
        return OS_MSG_CLOSE;
    case WM_COMMAND: {
        const uintptr_t p1 = param1 ? *param1 : 0;
        const HWND control = param2 ? reinterpret_cast<HWND>(*param2) : nullptr;
        if (!control || is_push_button(control)) return OS_MSG_COMMAND;
        uintptr_t notification = HIWORD(p1);
        if (notification == EN_CHANGE) notification = OS_NOTIFY_EDIT_CHANGED;
        if (param1) *param1 = (notification << 16) | LOWORD(p1);
        return OS_MSG_CONTROL;
    }
    default:
        // Raw messages that share a number with a portable code are none of them.
        if (message == OS_MSG_INITDLG || message == OS_MSG_COMMAND || message == OS_MSG_CONTROL ||
            message == OS_MSG_CLOSE)
            return 0;
        return message;
    }
}

intptr_t os_DefDlgProc(HWIN, uint32_t, uintptr_t, intptr_t) {
    // The dialog manager does the default handling once the layer's dialog
    // procedure returns FALSE.
    handed_to_default = true;
    return 0;
}

intptr_t os_DefWinProc(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2) {
    return DefWindowProcA(hwnd(window), message, param1, param2);
}

HWIN os_LoadDlg(HWIN parent, HWIN owner, OsWindowProc procedure, intptr_t module, int resource_id,
                void*) {
    if (!procedure) return nullptr;
    const HINSTANCE instance = module ? reinterpret_cast<HINSTANCE>(module) : win32_instance();
    const HWND over = owner ? hwnd(owner) : hwnd(parent);
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(resource_id), over, layer_dialog_proc,
                              reinterpret_cast<LPARAM>(procedure));
}

int os_ProcessDlg(HWIN dialog) {
    const HWND d = hwnd(dialog);
    if (!d || !IsWindow(d)) return 0;
    MSG msg;
    while (!GetPropA(d, PROP_DISMISSED) && IsWindow(d)) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the caller's own loop
            break;
        }
        if (got < 0) break;
        if (IsDialogMessageA(d, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    const int result = static_cast<int>(reinterpret_cast<intptr_t>(GetPropA(d, PROP_RESULT)));
    RemovePropA(d, PROP_DISMISSED);
    return result;
}

int os_DismissDlg(HWIN dialog, int result) {
    const HWND d = hwnd(dialog);
    if (!d || !IsWindow(d)) return 0;
    SetPropA(d, PROP_RESULT, reinterpret_cast<HANDLE>(static_cast<intptr_t>(result)));
    SetPropA(d, PROP_DISMISSED, reinterpret_cast<HANDLE>(1));
    PostMessageA(d, WM_NULL, 0, 0);  // wakes the loop of os_ProcessDlg
    return 1;
}

int os_DestroyWindow(HWIN window) {
    const HWND w = hwnd(window);
    if (!w) return 0;
    if (GetPropA(w, PROP_PROCEDURE)) {
        RemovePropA(w, PROP_PROCEDURE);
        RemovePropA(w, PROP_RESULT);
    }
    return DestroyWindow(w) ? 1 : 0;
}
