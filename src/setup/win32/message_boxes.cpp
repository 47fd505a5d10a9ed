// The setup program's three message boxes. Texts come from the message table;
// boxes are owned by the setup dialog whenever it exists.
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/win32/setup_windows.h"

void show_info(const char* text) {
    os_MessageBox(S.dialog, message(msg_caption_info), text, OS_MB_INFORMATION);
}

void show_error(const char* text) {
    os_MessageBox(S.dialog, message(msg_caption_error), text, OS_MB_ERROR);
}

bool ask_yes_no(HWIN owner, const char* caption, const char* text, int extra_style) {
    return os_MessageBox(owner, caption, text, extra_style | OS_MB_YESNO) == OS_MB_YES;
}
