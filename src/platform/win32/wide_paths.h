// Conversion of host paths (UTF-8 or ANSI, see host_use_utf8_paths) to and from
// the UTF-16 of the wide-character API. Windows only.
#pragma once

#include <string>

unsigned host_path_code_page();
std::wstring wide_path(const char* path);
std::string narrow_path(const wchar_t* path);
