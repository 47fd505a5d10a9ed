// The command-line program's answer to the engine's password question: the
// prompt "[archive] member password: " on the terminal, the password typed
// without echo. No terminal: false, and the engine skips encrypted members.
#pragma once

bool ask_password(const char* archive, const char* member, char* buffer, int size);
