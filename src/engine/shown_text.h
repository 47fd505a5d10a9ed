// Text taken from an archive (member names, comments, host paths built from
// them) as it may reach a terminal, so that a name cannot move the cursor,
// ring the bell, end a line and forge the next one, start a terminal command,
// or reorder the text around it:
// - C0 control bytes are shown as '^' and a letter (ESC as "^[");
// - DEL, the C1 controls U+0080 to U+009F and the bidirectional controls
//   U+202A to U+202E and U+2066 to U+2069 as "<U+202E>" and the like.
// Text is read as UTF-8 wherever its bytes form UTF-8, whether or not the
// archive marks a name as UTF-8 (flag bit 11): a terminal that reads UTF-8
// goes by the bytes, not by the flag. Bytes outside a valid sequence belong to
// a code page and are shown as they are, except 0x9B and 0x9D, which 8-bit
// terminals take as CSI and OSC ("<0x9B>", "<0x9D>").
#pragma once

#include <string>
#include <string_view>

// `text` with every control escaped. With `keep_line_breaks`, line feeds
// and tabs stay as they are (comments are shown as lines).
std::string shown_text(std::string_view text, bool keep_line_breaks = false);
