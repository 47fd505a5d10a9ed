// The setup program's three message boxes. Texts come from the message table
// (code page 850); boxes are owned by the setup dialog whenever it exists.
#pragma once

#include "platform/os_layer.h"

// Information box (caption message 12); the answer is ignored.
void show_info(const char* text);
// Error box (caption message 13); the answer is ignored.
void show_error(const char* text);
// Yes/no question owned by `owner`; `extra_style` OS_MB_DEFAULT_NO makes No the
// default (the warnings). True exactly when the user answered yes.
bool ask_yes_no(HWIN owner, const char* caption, const char* text, int extra_style);
