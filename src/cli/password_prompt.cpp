#include "cli/password_prompt.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/terminal.h"

bool ask_password(const char* archive, const char* member, char* buffer, int size) {
    const std::string prompt = std::string("[") + archive + "] " + member + " password: ";
    std::string line;
    if (size <= 0 || !host_read_secret(prompt.c_str(), &line)) return false;
    const size_t kept = std::min(line.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, line.data(), kept);
    buffer[kept] = '\0';
    std::fill(line.begin(), line.end(), '\0');
    return true;
}
