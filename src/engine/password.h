// The password of encrypted members. One given with -P serves the whole run.
// Without one, the host is asked (EngineHooks::password) when the first
// encrypted member of an archive needs it, and again after a member refused
// the password in use; the password is forgotten when the next archive begins.
#pragma once

#include <string>

// At the start of a run: no password given yet.
void password_reset();

// -P: the password for every encrypted member of the run.
void password_give(const char* password);

// A new archive begins: a password asked for the last one is not tried here.
void password_new_archive();

// The password to try on the member `stored_name` of G.archive_name: the one
// in use, or one asked of the host. Null when there is none: no -P, no hook,
// or no one to ask (no terminal).
const std::string* password_for_member(const std::string& stored_name);

// The current member refused the password: the next encrypted member asks
// again (unless the password was given with -P).
void password_refused();
