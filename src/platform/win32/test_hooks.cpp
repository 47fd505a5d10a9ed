// The volume test overrides have no effect on Windows: the system answers.
#include "platform/test_hooks.h"

void host_test_fat_names(int) {}
void host_test_removable_drives(int) {}
void host_test_windows_names(int) {}
