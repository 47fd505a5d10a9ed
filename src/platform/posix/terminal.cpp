#include "platform/terminal.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iterator>

namespace {

// While the echo is off, an interruption first gives the terminal its settings
// back, then goes on to the handler that was there before (which ends the
// process): the shell is never left without echo.
constexpr int INTERRUPTIONS[] = {SIGINT, SIGTERM, SIGHUP};
termios settings_before;
struct sigaction actions_before[std::size(INTERRUPTIONS)];

void restore_then_pass_on(int signal_number) {
    tcsetattr(STDIN_FILENO, TCSANOW, &settings_before);
    for (size_t i = 0; i < std::size(INTERRUPTIONS); ++i)
        if (INTERRUPTIONS[i] == signal_number) ::sigaction(signal_number, &actions_before[i], nullptr);
    // Blocked while this handler runs: delivered to the earlier handler when it returns.
    ::raise(signal_number);
}

}  // namespace

bool host_read_secret(const char* prompt, std::string* line) {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &settings_before) != 0) return false;
    struct sigaction restoring {};
    restoring.sa_handler = restore_then_pass_on;
    sigemptyset(&restoring.sa_mask);
    for (size_t i = 0; i < std::size(INTERRUPTIONS); ++i)
        ::sigaction(INTERRUPTIONS[i], &restoring, &actions_before[i]);

    // The echo goes off before the prompt shows, so that nothing typed after
    // it is echoed; what was typed ahead is kept.
    termios hidden = settings_before;
    hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    hidden.c_lflag |= ECHONL | ICANON;
    tcsetattr(STDIN_FILENO, TCSANOW, &hidden);
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    line->clear();
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') line->push_back(static_cast<char>(c));
    if (!line->empty() && line->back() == '\r') line->pop_back();
    tcsetattr(STDIN_FILENO, TCSANOW, &settings_before);
    for (size_t i = 0; i < std::size(INTERRUPTIONS); ++i) ::sigaction(INTERRUPTIONS[i], &actions_before[i], nullptr);
    return true;
}
