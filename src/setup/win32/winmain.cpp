// setup.exe: the process entry of the Windows setup program. It starts the
// portability layer with the program's instance, installs the dialog runner
// and the dialog's view for start-up and the worker, takes the command line,
// runs the start-up and the dialog (or the unattended installation, or the
// uninstaller) from the program's own path, shuts the layer down and ends
// with setup_main's exit code.
#include <windows.h>

#include "platform/os_layer.h"
#include "setup/startup.h"
#include "setup/win32/setup_windows.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    os_Initialize(reinterpret_cast<intptr_t>(instance), ".", 0);
    char path[512] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) path[0] = '\0';  // cut or failed: no usable directory
    install_dialog_runner();
    const SetupOptions options = parse_setup_options(split_command_line(command_line ? command_line : ""));
    const int result = setup_main(path, options);
    os_Initialize(-1, nullptr, 0);
    return result;
}
