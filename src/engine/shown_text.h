// Text taken from an archive (member names, comments, host paths built from
// them) as it may reach a terminal: control bytes are shown as '^' and a
// letter (ESC as "^["), so that a name cannot move the cursor,
// ring the bell, or end a line and forge the next one.
#pragma once

#include <string>
#include <string_view>

// `text` with every control byte escaped. With `keep_line_breaks`, line feeds
// and tabs stay as they are (comments are shown as lines).
std::string shown_text(std::string_view text, bool keep_line_breaks = false);
