#include "engine/password.h"

#include <algorithm>
#include <array>
#include <optional>

#include "engine/globals.h"
#include "engine/shown_text.h"

namespace {

struct PasswordState {
    std::optional<std::string> given;  // -P
    std::optional<std::string> asked;  // the answer of the host, for this archive
    bool no_one_to_ask = false;        // the host said it cannot ask (no terminal)
};

PasswordState state;

// Overwrites a password before its memory is given back.
void wipe(std::optional<std::string>& password) {
    if (password) std::fill(password->begin(), password->end(), '\0');
    password.reset();
}

}  // namespace

void password_reset() {
    wipe(state.given);
    wipe(state.asked);
    state.no_one_to_ask = false;
}

void password_give(const char* password) { state.given = password; }

void password_new_archive() { wipe(state.asked); }

const std::string* password_for_member(const std::string& stored_name) {
    if (state.given) return &*state.given;
    if (state.asked) return &*state.asked;
    if (!G.hooks.password || state.no_one_to_ask) return nullptr;
    std::array<char, PASSWORD_MAX + 1> answer{};
    const std::string archive = shown_text(G.archive_name);
    const std::string member = shown_text(stored_name);
    if (!G.hooks.password(archive.c_str(), member.c_str(), answer.data(), static_cast<int>(answer.size()))) {
        state.no_one_to_ask = true;
        return nullptr;
    }
    answer.back() = '\0';
    state.asked = std::string(answer.data());
    answer.fill('\0');
    return &*state.asked;
}

void password_refused() { wipe(state.asked); }
