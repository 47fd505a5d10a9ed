// Removal of the program's own file on Linux: a running program's file can be
// removed at once.
#include "platform/hostfile.h"
#include "platform/self_removal.h"

bool remove_after_exit(const std::string& program_file, const std::vector<std::string>& folders) {
    const bool removed = host_remove(program_file.c_str()) == 0;
    for (const std::string& folder : folders) host_rmdir(folder.c_str());
    return removed;
}
