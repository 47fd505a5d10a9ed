// UNINSTAL.DAT, the record an installation leaves in its destination for its
// uninstaller: what it made, so that exactly that is removed again. A text
// file (code page 1252, lines ending in CR LF), one entry per line:
//
//   TEV uninstall record 1
//   language 1                      the payload's language (0 to 2)
//   scope user                      or machine (/ALLUSERS)
//   destination C:\TEV
//   folder C:\TEV                   each folder the installation made, parents first
//   file 3000 1C291CA3 C:\TEV\TEV.EXE   size, CRC-32 (8 hex digits) and path of each file
//   link C:\...\TEV for Windows NT\TEV.LNK
//   value DisplayName               each value of the uninstall key
//   end 7                           the number of entries above (from "language" on)
//
// Files of the user (settings carried over, converted or backed up) are not
// recorded. A record that is cut short, holds a line of another form, a path
// that is not absolute or climbs with "..", or a link that is not a ".LNK"
// file, is damaged: read_uninstall_record refuses it whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct RecordedFile {
    std::string path;
    uint64_t size = 0;
    uint32_t crc = 0;

    bool operator==(const RecordedFile&) const = default;
};

struct UninstallRecord {
    int language = 0;
    bool all_users = false;
    std::string destination;
    std::vector<std::string> folders;
    std::vector<RecordedFile> files;
    std::vector<std::string> links;
    std::vector<std::string> values;

    bool operator==(const UninstallRecord&) const = default;
};

std::string uninstall_record_text(const UninstallRecord& record);

// False, with `record` unchanged, when the text is not a whole, sound record.
bool read_uninstall_record(std::string_view text, UninstallRecord& record);
