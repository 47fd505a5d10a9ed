#include "platform/terminal.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>

bool host_read_secret(const char* prompt, std::string* line) {
    termios shown;
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &shown) != 0) return false;
    // The echo goes off before the prompt shows, so that nothing typed after
    // it is echoed; what was typed ahead is kept.
    termios hidden = shown;
    hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    hidden.c_lflag |= ECHONL | ICANON;
    tcsetattr(STDIN_FILENO, TCSANOW, &hidden);
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    line->clear();
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') line->push_back(static_cast<char>(c));
    if (!line->empty() && line->back() == '\r') line->pop_back();
    tcsetattr(STDIN_FILENO, TCSANOW, &shown);
    return true;
}
