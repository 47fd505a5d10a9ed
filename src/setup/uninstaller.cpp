#include "setup/uninstaller.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

#include "engine/crc32.h"
#include "migration/file_helpers.h"
#include "migration/install_log.h"
#include "migration/journal.h"
#include "platform/crt.h"
#include "platform/hostfile.h"
#include "platform/os_layer.h"
#include "platform/self_removal.h"
#include "setup/command_line.h"
#include "setup/install_ui.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/uninstall_record.h"

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// A record larger than this is not one this setup wrote.
constexpr size_t RECORD_SIZE_LIMIT = 16u << 20;

bool exists(const std::string& path) { return _access(path.c_str(), 0) == 0; }

bool read_record_file(const std::string& path, UninstallRecord& record) {
    const File f(crt_fopen(path.c_str(), "rb"), std::fclose);
    if (!f) return false;
    std::string text;
    char block[4096];
    for (size_t n; (n = std::fread(block, 1, sizeof block, f.get())) > 0;) {
        text.append(block, n);
        if (text.size() > RECORD_SIZE_LIMIT) return false;
    }
    return !std::ferror(f.get()) && read_uninstall_record(text, record);
}

bool write_record_file(const std::string& path, const std::string& text) {
    if (!journal_before_write(path)) return false;
    std::FILE* f = crt_fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fclose(f) == 0 && ok;
    if (ok) journal_written(path, ROLE_UNINSTALLER);
    return ok;
}

void add_folder(std::vector<std::string>& folders, const std::string& folder) {
    if (!exists(folder)) return;
    if (std::none_of(folders.begin(), folders.end(), [&](const std::string& f) { return same_path(f, folder); }))
        folders.push_back(folder);
}

// True for a file this installation only rewrote that the earlier
// installation's record names as its own and that held what the record says
// until then: it stays the product's. (A rewritten file of the user's stays the user's.)
bool recorded_before(const UninstallRecord& earlier, const JournalFile& f) {
    if (f.role != ROLE_REWRITTEN || f.original.empty()) return false;
    RecordedFile before{f.original};
    if (!file_size_and_crc(f.original, before.size, before.crc)) return false;
    return std::any_of(earlier.files.begin(), earlier.files.end(), [&](const RecordedFile& e) {
        return same_path(e.path, f.path) && e.size == before.size && e.crc == before.crc;
    });
}

// Every file below `folder`, subfolders included.
void files_below(const std::string& folder, std::set<std::string>& files) {
    std::string pattern;
    if (!join_path(pattern, folder, "*.*")) return;
    OS_FILEFIND entry;
    pattern.copy(entry.name, pattern.size());
    entry.name[pattern.size()] = '\0';
    std::vector<std::string> subfolders;
    for (int r = os_FileFindMgr(OS_FIND_FIRST, &entry); r == 0; r = os_FileFindMgr(OS_FIND_NEXT, &entry)) {
        const std::string name = entry.name;
        std::string path;
        if (name == "." || name == ".." || !join_path(path, folder, name)) continue;
        if (entry.attributes & OS_FILE_DIRECTORY) subfolders.push_back(path);
        else files.insert(path);
    }
    os_FileFindMgr(OS_FIND_END, &entry);
    for (const std::string& sub : subfolders) files_below(sub, files);
}

// Removes one file of the installation; one the system keeps (in use) stays and is named.
void remove_file(const std::string& path, std::vector<std::string>& kept) {
    host_make_writable(path.c_str());
    if (crt_remove(path.c_str()) == 0) {
        log_line("removed " + path);
    } else {
        log_line("could not remove " + path);
        kept.push_back(path);
    }
}

RegistryValue text_value(const char* name, std::string text) {
    RegistryValue v;
    v.name = name;
    v.text = std::move(text);
    return v;
}

RegistryValue number_value(const char* name, uint32_t number) {
    RegistryValue v;
    v.name = name;
    v.is_number = true;
    v.number = number;
    return v;
}

}  // namespace

std::vector<RegistryValue> uninstall_values(const std::string& destination, uint64_t bytes) {
    std::string uninstaller;
    std::string icon;
    join_path(uninstaller, destination, UNINSTALLER_NAME);
    join_path(icon, destination, "TEV.EXE");
    const uint64_t kilobytes = std::min<uint64_t>((bytes + 1023) / 1024, UINT32_MAX);
    return {
        text_value("DisplayName", UNINSTALL_DISPLAY_NAME),
        text_value("DisplayVersion", PRODUCT_VERSION),
        text_value("Publisher", UNINSTALL_PUBLISHER),
        text_value("InstallLocation", destination),
        text_value("DisplayIcon", icon),
        text_value("UninstallString", "\"" + uninstaller + "\" /UNINSTALL"),
        text_value("QuietUninstallString", "\"" + uninstaller + "\" /UNINSTALL /S"),
        number_value("EstimatedSize", static_cast<uint32_t>(kilobytes)),
        number_value("NoModify", 1),
        number_value("NoRepair", 1),
    };
}

bool file_size_and_crc(const std::string& path, uint64_t& size, uint32_t& crc) {
    const File f(crt_fopen(path.c_str(), "rb"), std::fclose);
    if (!f) return false;
    uint32_t reg = 0xFFFFFFFFu;
    uint64_t total = 0;
    std::vector<uint8_t> block(65536);
    for (size_t n; (n = std::fread(block.data(), 1, block.size(), f.get())) > 0;) {
        reg = crc32_update(reg, block.data(), n);
        total += n;
    }
    if (std::ferror(f.get())) return false;
    size = total;
    crc = reg ^ 0xFFFFFFFFu;
    return true;
}

bool register_installation() {
    const RegistryRoot root = S.all_users ? RegistryRoot::machine : RegistryRoot::user;
    std::string uninstaller;
    std::string record_path;
    if (!join_path(uninstaller, S.destination_path, UNINSTALLER_NAME) ||
        !join_path(record_path, S.destination_path, UNINSTALL_RECORD_NAME))
        return false;
    UninstallRecord earlier;  // stays empty when there is none (or none that is sound)
    read_record_file(record_path, earlier);
    if (!copy_file(S.program_path, uninstaller, false, ROLE_UNINSTALLER)) {
        log_line("cannot copy the setup program " + S.program_path + " to " + uninstaller);
        return false;
    }

    UninstallRecord record;
    record.language = S.language_index;
    record.all_users = S.all_users;
    record.destination = S.destination_path;
    for (const std::string& f : earlier.folders) add_folder(record.folders, f);
    for (const std::string& f : journal_created_folders()) add_folder(record.folders, f);
    uint64_t bytes = 0;
    for (const JournalFile& f : journal_written_files()) {
        if (f.role == ROLE_LINK) {
            if (exists(f.path)) record.links.push_back(f.path);
            continue;
        }
        RecordedFile file{f.path};
        if (!(role_uninstalled(f.role) || recorded_before(earlier, f)) || !file_size_and_crc(f.path, file.size, file.crc))
            continue;
        bytes += file.size;
        record.files.push_back(file);
    }
    // What the earlier installation made and this one left as it was stays recorded.
    for (const RecordedFile& f : earlier.files) {
        RecordedFile now{f.path};
        if (journal_touched(f.path) || !file_size_and_crc(f.path, now.size, now.crc) || !(now == f)) continue;
        bytes += f.size;
        record.files.push_back(f);
    }
    for (const std::string& link : earlier.links)
        if (!journal_touched(link) && exists(link)) record.links.push_back(link);

    for (const RegistryValue& v : uninstall_values(S.destination_path, bytes)) {
        if (!journal_set_registry(root, UNINSTALL_KEY, v)) return false;
        record.values.push_back(v.name);
    }
    if (!write_record_file(record_path, uninstall_record_text(record))) {
        log_line("cannot write " + record_path);
        return false;
    }
    return true;
}

int run_uninstall(const SetupOptions& options) {
    const InstallUi& ui = install_ui();
    char here[OS_PATH_SIZE];
    std::string record_path;
    UninstallRecord r;
    if (os_QueryCWD(here, sizeof here) != 0 || !join_path(record_path, here, UNINSTALL_RECORD_NAME) ||
        !read_record_file(record_path, r)) {
        ui.error(message(msg_no_record));
        return SETUP_EXIT_FAILED;
    }
    S.language_index = r.language;
    log_line("uninstalling TEV from " + r.destination + " as " + record_path + " records it");
    const RegistryRoot root = r.all_users ? RegistryRoot::machine : RegistryRoot::user;
    if (!registry_may_write(root)) {
        ui.error(message(msg_needs_rights));
        return SETUP_EXIT_NOT_ALLOWED;
    }
    if (!options.silent && !ui.ask(message(msg_ask_uninstall))) return SETUP_EXIT_CANCELLED;

    std::vector<std::string> kept;
    for (const RecordedFile& f : r.files) {
        if (!exists(f.path)) continue;
        RecordedFile now{f.path};
        if (file_size_and_crc(f.path, now.size, now.crc) && now.size == f.size && now.crc == f.crc) {
            remove_file(f.path, kept);
        } else {
            log_line("kept " + f.path + " (changed since the installation)");
            kept.push_back(f.path);
        }
    }
    for (const std::string& link : r.links)
        if (exists(link)) remove_file(link, kept);

    // Only the values this setup writes, whatever the record names.
    const std::vector<RegistryValue> ours = uninstall_values(r.destination, 0);
    for (const std::string& name : r.values) {
        if (std::none_of(ours.begin(), ours.end(), [&](const RegistryValue& v) { return v.name == name; })) continue;
        if (registry_delete_value(root, UNINSTALL_KEY, name))
            log_line(std::string("registry removed ") + registry_root_name(root) + "\\" + UNINSTALL_KEY + "\\" + name);
    }
    if (registry_delete_key(root, UNINSTALL_KEY))
        log_line(std::string("registry key removed ") + registry_root_name(root) + "\\" + UNINSTALL_KEY);
    remove_file(record_path, kept);

    // The running uninstaller goes last, after this program has ended.
    std::string uninstaller;
    join_path(uninstaller, r.destination, UNINSTALLER_NAME);
    const bool removing_itself = same_path(uninstaller, S.program_path);
    if (!removing_itself && exists(uninstaller)) remove_file(uninstaller, kept);

    std::vector<std::string> folders_left;
    for (auto f = r.folders.rbegin(); f != r.folders.rend(); ++f) {
        if (!exists(*f)) continue;
        if (_rmdir(f->c_str()) == 0) log_line("folder removed " + *f);
        else folders_left.push_back(*f);
    }
    // Files of the user in the folders the installation made: added since, or
    // carried over from an earlier installation.
    std::set<std::string> remaining;
    for (const std::string& f : folders_left) files_below(f, remaining);
    for (const std::string& f : remaining) {
        if ((removing_itself && same_path(f, S.program_path)) ||
            std::any_of(kept.begin(), kept.end(), [&](const std::string& k) { return same_path(k, f); }))
            continue;
        log_line("kept " + f + " (the user's)");
        kept.push_back(f);
    }

    std::string text = message(msg_uninstalled);
    if (!kept.empty()) text += "\r\r" + format_message(msg_uninstall_kept, message_list(kept));
    ui.info(text.c_str());
    if (removing_itself) {
        if (remove_after_exit(S.program_path, folders_left))
            log_line("removing " + S.program_path + " and the folders left empty once the uninstaller has ended");
        else
            log_line("could not arrange the removal of " + S.program_path);
    }
    return SETUP_EXIT_DONE;
}
