#include "migration/install_log.h"

#include <atomic>
#include <cstdio>
#include <ctime>

#include "platform/code_pages.h"
#include "platform/crt.h"

namespace {

// Lines come from two threads, rarely at once: a flag held for the moment of
// one write is all the locking needed (and needs no thread library).
std::atomic_flag log_busy = ATOMIC_FLAG_INIT;
std::FILE* log_file = nullptr;

struct LogGuard {
    LogGuard() {
        while (log_busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~LogGuard() { log_busy.clear(std::memory_order_release); }
    LogGuard(const LogGuard&) = delete;
    LogGuard& operator=(const LogGuard&) = delete;
};

}  // namespace

bool log_open(const std::string& path) {
    const LogGuard guard;
    if (log_file) std::fclose(log_file);
    log_file = path.empty() ? nullptr : crt_fopen(path.c_str(), "wb");
    return log_file != nullptr;
}

void log_close() {
    const LogGuard guard;
    if (log_file) std::fclose(log_file);
    log_file = nullptr;
}

bool log_enabled() {
    const LogGuard guard;
    return log_file != nullptr;
}

void log_line(std::string_view text) {
    std::string entry;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\r', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) {
            if (!entry.empty()) entry += "\n    ";
            entry += cp1252_to_utf8(text.substr(start, end - start));
        }
        start = end + 1;
    }
    entry += '\n';
    const LogGuard guard;
    if (!log_file) return;
    std::fwrite(entry.data(), 1, entry.size(), log_file);
    std::fflush(log_file);
}

std::string log_time_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) return "";
    return text;
}
