// The product's values in the user's profile: where an earlier installation
// lives and where the dialog stood.
#pragma once

#include <optional>
#include <string>

// Profile application of the product (with its trailing blank) and its values.
inline constexpr const char* PROFILE_APPLICATION = "Tevanet ";
inline constexpr const char* PROFILE_WINDOW_POS = "WindowPos";
inline constexpr const char* PROFILE_HOME_PATH = "HomePath";

// The earlier installation's directory as the profile's "HomePath" holds it; none when missing.
std::optional<std::string> profile_home_path();
