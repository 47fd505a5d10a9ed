// mapname on any member name below a scratch extraction root, with the options
// that change its course taken from the first byte; every host path it makes
// must lie below the root and hold no ".." component. shorten_to_8_3 on the
// name's last component, whose result is never longer than 8.3.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/globals.h"
#include "fuzz/support.h"
#include "hostfs/mapname.h"
#include "hostfs/short_names.h"

namespace {

bool has_parent_component(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 400) return 0;
    static const std::string root = fz::scratch_dir() + "/root";
    ::mkdir(root.c_str(), 0777);
    const uint8_t options = data[0];
    std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
    name.resize(std::char_traits<char>::length(name.c_str()));

    MemberInfo member;
    G.cur = &member;
    G.junk_paths = options & 1;
    G.spaces_to_underscore = (options >> 1) & 1;
    G.keep_versions = (options >> 2) & 1;
    G.quiet_level = 2;
    G.freshen = 0;
    G.create_dirs = true;
    if (set_root(root.c_str()) > HOST_SKIP) std::abort();
    G.member_name = name;
    const int r = mapname(0);
    if (r == HOST_OK || r == HOST_WARNING) {
        const std::string& path = G.member_name;
        if (path.compare(0, root.size() + 1, root + "/") != 0 || has_parent_component(path.substr(root.size()))) {
            std::fprintf(stderr, "fuzz_mapname: %s left the root\n", path.c_str());
            std::abort();
        }
    }
    drop_root();
    G.cur = nullptr;

    const size_t slash = name.find_last_of("/\\");
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (shorten_to_8_3(last).size() > 12) std::abort();
    fz::empty_dir(root);
    return 0;
}
