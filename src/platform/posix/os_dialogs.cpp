// The Linux layer's dialogs and window geometry (placeholders until the
// in-memory dialogs land).
#include "platform/os_layer.h"

uint32_t os_TranslateMsg(HWIN, uint32_t message, uintptr_t*, intptr_t*) { return message; }
intptr_t os_DefDlgProc(HWIN, uint32_t, uintptr_t, intptr_t) { return 0; }
intptr_t os_DefWinProc(HWIN, uint32_t, uintptr_t, intptr_t) { return 0; }
HWIN os_LoadDlg(HWIN, HWIN, OsWindowProc, intptr_t, int, void*) { return nullptr; }
int os_ProcessDlg(HWIN) { return 0; }
int os_DismissDlg(HWIN, int) { return 0; }
int os_DestroyWindow(HWIN) { return 0; }
int os_CheckControl(HWIN, int) { return 0; }
int os_IsButtonChecked(HWIN) { return 0; }
int os_SetFocus(HWIN) { return 0; }
int os_ShowWindow(HWIN, int) { return 0; }
int os_SetWinPos(HWIN, intptr_t, int32_t, int32_t, int32_t, int32_t, uint32_t) { return 0; }
int os_QueryWinPos(HWIN, OS_POSITION*) { return 0; }
int os_CenterWinOverWin(HWIN, HWIN, int) { return 0; }
int os_QueryWinRect(HWIN, OS_RECT*) { return 0; }
int os_QueryWinClRect(HWIN, OS_RECT*) { return 0; }
int os_InvalidateRcl(HWIN, const OS_RECT*, int) { return 0; }
OS_PAINT* os_BeginPaint(HWIN, void*, OS_RECT*) { return nullptr; }
int os_EndPaint(OS_PAINT*) { return 0; }
int os_NiceRCL(const OS_RECT*, OS_PAINT*, int) { return 0; }
int os_SetFontNameSize(HWIN, const char*) { return 0; }
intptr_t os_ContrlMgr(HWIN, int, int, intptr_t) { return 0; }
