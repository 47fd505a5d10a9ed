// TEV's uninstaller. At the end of an installation the setup copies itself
// into the destination as UNINSTAL.EXE, enters TEV in Add/Remove Programs (the
// uninstall key below HKEY_CURRENT_USER, or HKEY_LOCAL_MACHINE with
// /ALLUSERS) and writes UNINSTAL.DAT (uninstall_record.h), all through the
// journal, so that a rollback takes them back like everything else.
//
// UNINSTAL.EXE /UNINSTALL asks once (not with /S), then removes every recorded
// file whose size and CRC-32 are unchanged, the links, the registry entry, the
// record, the folders the installation made once they are empty, and finally
// itself (platform/self_removal.h). Files the user changed or added stay; the
// final message and the log name them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

struct SetupOptions;

inline constexpr const char* UNINSTALLER_NAME = "UNINSTAL.EXE";
inline constexpr const char* UNINSTALL_RECORD_NAME = "UNINSTAL.DAT";
inline constexpr const char* UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TEV";
inline constexpr const char* UNINSTALL_DISPLAY_NAME = "TEV for Windows";
inline constexpr const char* UNINSTALL_PUBLISHER = "Tevanet";

// The values of the uninstall key for an installation in `destination` whose
// recorded files hold `bytes` bytes.
std::vector<RegistryValue> uninstall_values(const std::string& destination, uint64_t bytes);

// The size and CRC-32 of a file's content; false when it cannot be read.
bool file_size_and_crc(const std::string& path, uint64_t& size, uint32_t& crc);

// The registration at the end of an installation (S.destination_path,
// S.program_path, S.all_users, S.language_index): the uninstaller, the
// registry entry and the record, which also keeps what the record of an
// earlier installation into the same destination held and this one left as
// it was. False when one of them could not be written.
bool register_installation();

// UNINSTAL.EXE /UNINSTALL from its folder (the current directory): the exit
// code (0 removed, 1 the user said no, 2 no sound record, 5 no rights for an
// installation for all users).
int run_uninstall(const SetupOptions& options);
