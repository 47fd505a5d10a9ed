#include "setup/dialog.h"

#include "setup/startup.h"

intptr_t setup_dialog_proc(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2) {
    return os_DefDlgProc(window, message, param1, param2);
}

void read_fields(HWIN) {}

void run_setup_dialog() {}

void install_dialog_runner() { set_dialog_runner(run_setup_dialog); }

int worker_thread_id() { return 0; }
