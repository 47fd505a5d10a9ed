#include "platform/terminal.h"

#include <windows.h>

#include <cstdio>

namespace {

// While the echo is off, Ctrl-C or Ctrl-Break first gives the console its mode
// back, then goes on to the handler registered before this one (which ends the
// run): the console is never left without echo.
HANDLE secret_input = INVALID_HANDLE_VALUE;
DWORD mode_before = 0;

BOOL WINAPI restore_then_pass_on(DWORD) {
    SetConsoleMode(secret_input, mode_before);
    return FALSE;
}

}  // namespace

bool host_read_secret(const char* prompt, std::string* line) {
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD shown = 0;
    if (in == INVALID_HANDLE_VALUE || !GetConsoleMode(in, &shown)) return false;
    secret_input = in;
    mode_before = shown;
    SetConsoleCtrlHandler(restore_then_pass_on, TRUE);
    // The echo goes off before the prompt shows.
    SetConsoleMode(in, (shown & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                           ENABLE_PROCESSED_INPUT);
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    std::wstring wide;
    wchar_t c = 0;
    DWORD got = 0;
    while (ReadConsoleW(in, &c, 1, &got, nullptr) && got == 1 && c != L'\n') wide.push_back(c);
    SetConsoleMode(in, shown);
    SetConsoleCtrlHandler(restore_then_pass_on, FALSE);
    std::fputs("\n", stderr);
    if (!wide.empty() && wide.back() == L'\r') wide.pop_back();
    line->clear();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size > 0) {
        line->resize(static_cast<size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), line->data(), size, nullptr,
                            nullptr);
    }
    SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
    return true;
}
