// Interruption handling over POSIX signals. The handler only uses calls that are
// safe in a signal handler (unlink, write, _exit) and data prepared beforehand.
#include "platform/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "platform/hostfile.h"

namespace {

constexpr size_t PATH_ROOM = 4096;

char output_path[PATH_ROOM];
char shown[PATH_ROOM];
std::atomic<bool> output_open{false};
volatile sig_atomic_t exit_code = 1;

void put(const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, left);
        if (n <= 0) return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

const char* signal_name(int signal_number) {
    switch (signal_number) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
    }
}

void on_interrupt(int signal_number) {
    put("\nerror:  interrupted by ");
    put(signal_name(signal_number));
    if (output_open.load()) {
        ::unlink(output_path);
        put(" while writing ");
        put(shown);
        put("; the incomplete file was removed");
    }
    put("\n");
    ::_exit(exit_code);
}

// Copies text into a fixed buffer, cut to fit.
void copy_into(char* out, const std::string& text) {
    const size_t n = std::min(text.size(), PATH_ROOM - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

}  // namespace

void host_catch_interruptions(int code) {
    exit_code = code;
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    // One interruption at a time: the others wait while the handler runs.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaddset(&action.sa_mask, SIGHUP);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(s, &action, nullptr);
}

void host_output_begun(const char* path, const char* shown_name) {
    output_open.store(false);
    copy_into(output_path, host_native_path(path));
    copy_into(shown, shown_name ? shown_name : "");
    output_open.store(true);
}

void host_output_ended() { output_open.store(false); }
