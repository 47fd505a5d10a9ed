// What the Linux layer reports as the system's values and as its stored
// profile. Linux has neither, so the program that hosts the setup (in practice
// a test) gives them; until it does, the layer reports Windows NT 4.00 with a
// screen of 1024 by 768 pixels (every other value 0), an empty profile, and a
// user with administrator rights.
#pragma once

#include <cstdint>

// os_QuerySysValue(index) returns `value` from now on.
void posix_set_sys_value(int index, int32_t value);
// os_IniMgr finds `value` as the value `key` of `application`.
void posix_set_profile_value(const char* application, const char* key, const char* value);
// Whether the user may write the machine part of the registry (registry_may_write).
void posix_set_machine_rights(bool allowed);
// Back to the default system values, an empty profile and administrator rights.
void posix_reset_values();
