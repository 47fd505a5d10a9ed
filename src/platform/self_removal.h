// The uninstaller's last step: removing its own program file and then the
// folders that held it, once they are empty.
//
// Windows keeps the file of a running program: a detached command processor
// does it once the program has ended. It runs a batch file from the temporary
// folder that waits (a bounded number of tries) until the program file can be
// deleted, removes each folder that is empty by then, and deletes itself.
// Linux removes the file and the empty folders at once.
#pragma once

#include <string>
#include <vector>

// Removes `program_file`, then each folder of `folders` in this order (only
// empty ones go). False when the removal could not be arranged.
bool remove_after_exit(const std::string& program_file, const std::vector<std::string>& folders);
