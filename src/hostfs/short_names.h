// Shortening one path component to an 8.3 name, for volumes that do not accept
// the component as it stands.
#pragma once

#include <string>
#include <string_view>

// Appends the 8.3 form of `component` to `out`. The last dot separates name and
// extension, other dots and the brackets [ ] become '_', the name keeps at most 8
// characters and the extension at most 3; letter case is kept. "." appends
// nothing and ".." appends "..". Examples: Verylongname.text -> Verylong.tex,
// a.b.c -> a_b.c, .profile -> _.pro, abcdefgh_ij -> abcdefgh.ij.
void shorten_to_8_3(std::string_view component, std::string& out);

// The 8.3 form of `component` on its own.
std::string shorten_to_8_3(std::string_view component);
