// Volume test overrides: switched by tests directly or by environment variables
// (the command-line cases reach the program only through its environment).
#include "platform/posix/test_overrides.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/hostfile.h"
#include "platform/test_hooks.h"

namespace {

std::atomic<int> fat_names_state{-1};
std::atomic<int> removable_state{-1};
std::atomic<int> windows_names_state{-1};

bool is_on(const std::atomic<int>& state, const char* variable) {
    const int s = state.load();
    if (s >= 0) return s > 0;
    const char* value = std::getenv(variable);
    return value && std::strcmp(value, "1") == 0;
}

}  // namespace

void host_test_fat_names(int state) { fat_names_state = state < 0 ? -1 : (state ? 1 : 0); }
void host_test_removable_drives(int state) { removable_state = state < 0 ? -1 : (state ? 1 : 0); }

void host_test_windows_names(int state) { windows_names_state = state < 0 ? -1 : (state ? 1 : 0); }
bool host_windows_names() { return is_on(windows_names_state, "TEV_TEST_WINDOWS_NAMES"); }

bool fat_names_override() { return is_on(fat_names_state, "TEV_TEST_FAT_NAMES"); }
bool removable_drives_override() { return is_on(removable_state, "TEV_TEST_REMOVABLE_DRIVES"); }

bool is_legal_8_3_name(std::string_view name) {
    if (name == "." || name == "..") return true;
    const size_t dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (ext.find('.') != std::string_view::npos) return false;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c == 127 || std::strchr("\"*+,/:;<=>?[\\]|", c)) return false;
    }
    return true;
}
