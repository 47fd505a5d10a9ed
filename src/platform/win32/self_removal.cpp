// Removal of the program's own file on Windows, after the program has ended:
// a batch file in the temporary folder, run by a detached command processor
// whose current folder is the temporary folder (so that it holds none of the
// folders it removes).
#include <windows.h>

#include <string>

#include "platform/self_removal.h"

namespace {

// Tries to delete the program file before giving up (each try takes a few
// milliseconds; the program ends long before).
constexpr int DELETE_TRIES = 20000;

// A path inside double quotes of a batch file: '%' stands for itself only when doubled.
std::string quoted(const std::string& path) {
    std::string out = "\"";
    for (const char c : path) {
        out += c;
        if (c == '%') out += '%';
    }
    return out + "\"";
}

// Creates a new batch file in `folder`; its name, or "" when none could be made.
std::string new_batch_file(const std::string& folder, HANDLE& file) {
    for (unsigned n = 0; n < 1000; ++n) {
        const std::string name = folder + "TEVUNINST" + std::to_string(GetCurrentProcessId() % 100000) + "-" +
                                 std::to_string(n) + ".BAT";
        file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return name;
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return "";
}

}  // namespace

bool remove_after_exit(const std::string& program_file, const std::vector<std::string>& folders) {
    char temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp) return false;
    HANDLE file = INVALID_HANDLE_VALUE;
    const std::string batch = new_batch_file(temp, file);
    if (batch.empty()) return false;

    std::string script = "@echo off\r\nset n=0\r\n:wait\r\n";
    script += "del /f /q " + quoted(program_file) + " >nul 2>&1\r\n";
    script += "if not exist " + quoted(program_file) + " goto gone\r\n";
    script += "set /a n=n+1\r\nif %n% lss " + std::to_string(DELETE_TRIES) + " goto wait\r\n:gone\r\n";
    for (const std::string& folder : folders) script += "rmdir " + quoted(folder) + " >nul 2>&1\r\n";
    script += "del \"%~f0\" >nul 2>&1\r\n";
    // The command processor reads batch files in the OEM code page; the paths are ANSI.
    CharToOemBuffA(script.data(), script.data(), static_cast<DWORD>(script.size()));
    DWORD written = 0;
    const bool ok = WriteFile(file, script.data(), static_cast<DWORD>(script.size()), &written, nullptr) &&
                    written == script.size();
    CloseHandle(file);
    if (!ok) {
        DeleteFileA(batch.c_str());
        return false;
    }

    char system[MAX_PATH] = {};
    const UINT s = GetSystemDirectoryA(system, sizeof system);
    if (s == 0 || s >= sizeof system) return false;
    const std::string processor = std::string(system) + "\\cmd.exe";
    std::string command = "cmd.exe /d /c \"" + batch + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(processor.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, temp,
                        &startup, &process)) {
        DeleteFileA(batch.c_str());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
