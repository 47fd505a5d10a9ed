// Drive mapping for Windows-style paths on Linux: '\' becomes '/', and "X:" is
// replaced by the directory mapped to drive X, as Wine maps its drives.
#include <array>
#include <cctype>
#include <mutex>
#include <string>

#include "platform/hostfile.h"

namespace {

std::mutex drive_lock;
std::array<std::string, 26> drives;

}  // namespace

void host_map_drive(char letter, const char* directory) {
    const int c = std::toupper(static_cast<unsigned char>(letter));
    if (c < 'A' || c > 'Z') return;
    std::lock_guard<std::mutex> guard(drive_lock);
    drives[c - 'A'] = directory ? directory : "";
}

std::string host_native_path(const char* path) {
    std::string out = path ? path : "";
    for (char& ch : out)
        if (ch == '\\') ch = '/';
    if (out.size() >= 2 && out[1] == ':' && std::isalpha(static_cast<unsigned char>(out[0]))) {
        std::string mapped;
        {
            std::lock_guard<std::mutex> guard(drive_lock);
            mapped = drives[std::toupper(static_cast<unsigned char>(out[0])) - 'A'];
        }
        if (!mapped.empty()) {
            std::string rest = out.substr(2);
            // "C:" alone and "C:name" (relative to the drive) both start at its root.
            if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
            if (mapped.back() != '/') mapped += '/';
            out = mapped + rest;
        }
    }
    return out;
}
