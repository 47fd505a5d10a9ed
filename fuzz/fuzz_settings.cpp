// The settings migration on any earlier installation's path settings file,
// read in the layout the first byte chooses; then the five new folders derived
// for a destination, the typed-path qualification, the rewrite's prefix
// arithmetic and the old-name mapping. The file's lines are also taken as
// payload member names: each one the worker accepts must go to a folder inside
// its chosen folder, and every folder on drive C: or on no drive must stay
// below the drive's directory.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "engine/shown_text.h"
#include "fuzz/support.h"
#include "migration/file_helpers.h"
#include "migration/path_rewrite.h"
#include "migration/path_settings.h"
#include "platform/hostfile.h"
#include "setup/install_worker.h"
#include "setup/setup_state.h"

namespace {

const std::string& drive_c() {
    static const std::string dir = [] {
        const std::string c = fz::scratch_dir() + "/c";
        for (const char* sub : {"", "/OLD", "/OLD/OPTIONS"}) ::mkdir((c + sub).c_str(), 0777);
        host_map_drive('C', c.c_str());
        return c;
    }();
    return dir;
}

void fail(const char* what, const std::string& path) {
    std::fprintf(stderr, "fuzz_settings: %s: %s\n", what, shown_text(path).c_str());
    std::abort();
}

// A folder on drive C:, or on no drive (it lies on the current one, C:), must
// map below the drive's directory.
void check_on_drive(const std::string& folder) {
    if (folder.empty() || (folder.size() >= 2 && folder[1] == ':' && folder[0] != 'C' && folder[0] != 'c')) return;
    const std::string native = host_native_path(folder.c_str());
    if (native.compare(0, drive_c().size(), drive_c()) != 0) fail("folder left drive C:", folder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string c = drive_c();
    const bool line_layout = data[0] & 1;
    const std::string keyword_file = c + "/OLD/OPTIONS/STANDARD.TPA";
    const std::string line_file = c + "/OLD/OPTIONS/TEVPATH.DAT";
    std::remove(keyword_file.c_str());
    std::remove(line_file.c_str());
    fz::write_bytes(line_layout ? line_file : keyword_file, data + 1, size - 1);

    reset_setup_state();
    S.existing_path = "C:\\OLD";
    reset_existing_paths();
    read_existing_paths("C:\\OLD\\OPTIONS\\STANDARD.TPA", "C:\\OLD\\OPTIONS\\TEVPATH.DAT");
    S.destination_path = "C:\\NEW";
    for (int kind = 0; kind < DIR_COUNT; ++kind) {
        std::string& folder = new_dir_path(kind);
        rebase_path(S.destination_path, folder, S.existing_paths[kind]);
        check_on_drive(folder);
        std::string typed = S.existing_paths[kind];
        make_absolute(typed);
        strip_prefix(S.destination_path, folder);
        std::string renamed = folder;
        map_old_name(renamed);
    }
    check_on_drive(S.existing_options_dir);
    check_on_drive(S.existing_script_dir);

    std::istringstream lines(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    std::string name;
    for (int i = 0; i < 32 && std::getline(lines, name); ++i) {
        if (unsafe_member_name(name)) continue;
        std::string target, base;
        if (!member_target_dir(target, name, &base) || target.empty()) continue;
        if (!target_inside(target, base)) fail("member target outside its folder", target + " in " + base);
        check_on_drive(target);
    }
    return 0;
}
