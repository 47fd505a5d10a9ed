#include "setup/install_worker.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>

#include "engine/engine.h"
#include "engine/shown_text.h"
#include "migration/file_helpers.h"
#include "migration/install_log.h"
#include "migration/journal.h"
#include "migration/path_rewrite.h"
#include "migration/path_settings.h"
#include "platform/crt.h"
#include "platform/hostfile.h"
#include "platform/os_layer.h"
#include "setup/existing_file.h"
#include "setup/install_ui.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/shortcuts.h"
#include "setup/uninstaller.h"

const std::array<const char*, 7> doc_files = {"DEVELOP.DOC",  "VERSIONS.DOC", "PROBLEMS.DOC", "ISDN.DOC",
                                              "REGISTER.DOC", "FEATURES.DOC", "README.DOC"};
const std::array<const char*, 3> copied_dlls = {"VELMORA.DLL", "KWEMOS2.DLL", "KWEMWIN.DLL"};

namespace {

// Room behind each engine argument: the engine may append ".zip" to the archive name.
constexpr size_t ARGUMENT_SPARE = 8;

// Files of the current member run that existed and that the engine may
// overwrite (the journal kept their originals).
std::vector<std::string> replacing;

// The existing-file rule, and then the journal: a file is overwritten only
// when its original is kept for a rollback.
int existing_file_journaled(const char* output_path) {
    const int answer = existing_file_policy(output_path);
    if (answer != EXISTING_OVERWRITE || !output_path) return answer;
    if (!journal_before_write(output_path)) return EXISTING_SKIP;  // journal_failed() ends the installation
    replacing.push_back(output_path);
    return answer;
}

void on_listed_member(const char* name, uint32_t size) {
    S.member_table.push_back(MemberEntry{name ? name : "", size});
}

void on_listing_total(uint32_t total) { S.total_size = total; }

// The member name as an engine pattern that selects exactly that member: the
// pattern characters '[', '*' and '?' (and '\', which the engine turns into a
// separator) stand for themselves only as '?'.
std::string member_pattern(const std::string& name) {
    std::string pattern = name;
    for (char& c : pattern)
        if (c == '[' || c == '*' || c == '?' || c == '\\') c = '?';
    return pattern;
}

// Creates the parents of `target` one level at a time (not the last component:
// the engine creates its extraction root itself); failures are left to the engine.
void make_parent_dirs(const std::string& target) {
    for (size_t i = 0; i < target.size(); ++i) {
        if ((target[i] != '\\' && target[i] != '/') || i == 2) continue;
        journal_make_folder(target.substr(0, i));
    }
}

// The files of a folder, by their names in lower case (Windows names ignore case).
std::map<std::string, std::string> folder_files(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::string pattern;
    if (!join_path(pattern, folder, "*.*")) return files;
    OS_FILEFIND entry;
    pattern.copy(entry.name, pattern.size());
    entry.name[pattern.size()] = '\0';
    for (int r = os_FileFindMgr(OS_FIND_FIRST, &entry); r == 0; r = os_FileFindMgr(OS_FIND_NEXT, &entry)) {
        if (entry.attributes & OS_FILE_DIRECTORY) continue;
        std::string key = entry.name;
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        files.emplace(std::move(key), entry.name);
    }
    os_FileFindMgr(OS_FIND_END, &entry);
    return files;
}

void trace_unsafe(const std::string& name, const char* why) {
    if (!stderr) return;
    std::fprintf(stderr, "damaged payload member %s: %s\n", shown_text(name).c_str(), why);
    std::fflush(stderr);
}

void trace_result(int result) {
    if (!stderr) return;
    std::fprintf(stderr, "get_zip_name() return=%d\n\n", result);
    std::fflush(stderr);
}

// How the installation ended.
enum class Outcome { installed, cancelled, failed };

// Between two steps: a refused change or a Cancel ends the installation.
bool stopped(Outcome& outcome) {
    if (journal_failed()) outcome = Outcome::failed;
    else if (S.cancel_requested) outcome = Outcome::cancelled;
    else return false;
    return true;
}

// The copies, path rewrite, Start-menu entries, clean-up and the uninstaller
// after every member was extracted; a Cancel is looked at between the steps.
Outcome complete_installation(const InstallUi& ui) {
    Outcome outcome = Outcome::installed;
    // Old option-file names are mapped for versions below 2.90 (whole strings compared).
    const bool rename = compare_nocase(S.existing_version, "2.90", std::string::npos) < 0;
    if (S.copy_options == 1 && ui.option_enabled(ID_COPY_OPTIONS))
        copy_tree(S.existing_options_dir, S.options_path, rename);
    if (S.copy_scripts == 1 && ui.option_enabled(ID_COPY_SCRIPTS))
        copy_tree(S.existing_script_dir, S.script_path, rename);
    std::string from;
    std::string to;
    if (S.copy_phone_book == 1 && ui.option_enabled(ID_COPY_PHONE_BOOK) &&
        join_path(from, S.existing_path, "PHONEBK") && join_path(to, S.destination_path, "PHONEBK"))
        copy_file(from, to, false, ROLE_CARRIED_OVER);
    if (stopped(outcome)) return outcome;
    // DOC files, DLLs and the links' icons come from the current directory, the program's own.
    char here[OS_PATH_SIZE];
    if (os_QueryCWD(here, sizeof here) != 0) here[0] = '\0';
    const auto copy_beside_program = [&](const std::string& name) {
        if (!here[0] || !join_path(from, here, name)) from = name;
        if (join_path(to, S.destination_path, name)) copy_file(from, to, false);
    };
    for (const char* name : doc_files) copy_beside_program(name);
    for (const char* name : copied_dlls) copy_beside_program(name);
    for (const std::string& name : shortcut_icons()) copy_beside_program(name);
    S.percent_done = 100;
    ui.set_percent(100);
    ui.set_status(message(msg_status_paths));
    rewrite_path_file("OPTIONS\\STANDARD.TPA");
    if (stopped(outcome)) return outcome;
    ui.set_status(message(msg_status_folder));
    create_start_menu_entries();
    if (stopped(outcome)) return outcome;
    ui.set_status(message(msg_status_deleting));
    convert_or_clean(S.destination_path, 1);
    if (stopped(outcome)) return outcome;
    if (!register_installation()) return Outcome::failed;
    stopped(outcome);
    return outcome;
}

// After a Cancel or a failure: everything the installation did is undone,
// and the message says so, or names what could not be put back.
void undo_installation(const InstallUi& ui, Outcome outcome) {
    ui.set_status(message(msg_status_rollback));
    const std::vector<std::string> left = journal_rollback();
    std::string text = message(outcome == Outcome::failed ? msg_error_aborted : msg_cancelled);
    text += "\r\r";
    text += left.empty() ? message(msg_nothing_changed) : format_message(msg_not_all_undone, message_list(left));
    if (outcome == Outcome::failed) ui.error(text.c_str());
    else ui.info(text.c_str());
    S.exit_code = outcome == Outcome::failed ? SETUP_EXIT_FAILED : SETUP_EXIT_CANCELLED;
}

// The choices the installation starts with, for the log.
void log_choices() {
    if (!log_enabled()) return;
    log_line("destination " + S.destination_path);
    static const char* const kinds[DIR_COUNT] = {"log files", "option files", "scripts", "uploads", "downloads"};
    for (int kind = 0; kind < DIR_COUNT; ++kind) log_line(std::string(kinds[kind]) + " " + new_dir_path(kind));
    if (S.existing_found) log_line("earlier installation " + S.existing_path + ", version " + S.existing_version);
    else log_line("no earlier installation's settings");
    const InstallUi& ui = install_ui();
    const auto choice = [&](int checked, int id) { return checked == 1 && ui.option_enabled(id) ? "yes" : "no"; };
    log_line(std::string("carry over: options ") + choice(S.copy_options, ID_COPY_OPTIONS) + ", phone book " +
             choice(S.copy_phone_book, ID_COPY_PHONE_BOOK) + ", scripts " + choice(S.copy_scripts, ID_COPY_SCRIPTS));
    log_line(std::string("for ") + (S.all_users ? "all users" : "this user"));
}

}  // namespace

void install_engine_hooks() {
    EngineHooks hooks;
    hooks.existing_file = existing_file_journaled;
    hooks.listed_member = on_listed_member;
    hooks.listing_total = on_listing_total;
    engine_set_hooks(hooks);
}

int run_engine(const std::vector<std::string>& arguments) {
    // Each argument in its own zeroed, writable buffer; the vector ends with null.
    std::vector<std::vector<char>> buffers;
    std::vector<char*> vector;
    for (const std::string& a : arguments) {
        buffers.emplace_back(a.size() + 1 + ARGUMENT_SPARE, '\0');
        std::memcpy(buffers.back().data(), a.data(), a.size());
    }
    for (auto& b : buffers) vector.push_back(b.data());
    vector.push_back(nullptr);
    return engine_entry(static_cast<int>(arguments.size()), vector.data());
}

uint32_t progress_percent(uint64_t done, uint32_t total, size_t members_done, size_t member_count) {
    // 64-bit arithmetic: done x 100 overflows 32 bits from 43 MB on.
    uint64_t percent = 0;
    if (total > 0) percent = done * 100 / total;
    else if (member_count > 0) percent = static_cast<uint64_t>(members_done) * 100 / member_count;
    return static_cast<uint32_t>(percent > 100 ? 100 : percent);
}

int list_members() { return run_engine({"unzip", "-v", S.payload_name}); }

bool unsafe_member_name(const std::string& name) {
    if (name.empty()) return false;
    return name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos || climbs_to_parent(name);
}

bool target_inside(const std::string& target, const std::string& base) {
    // Either separator may appear in both, and the folder as typed may end in
    // separators that the target built from it does not have.
    std::string path = target;
    std::string folder = base;
    for (std::string* p : {&path, &folder})
        for (char& c : *p)
            if (c == '/') c = '\\';
    while (folder.size() > 1 && folder.back() == '\\' && !(folder.size() == 3 && folder[1] == ':'))
        folder.pop_back();
    return path_in_directory(path, folder) && !climbs_to_parent(path.substr(folder.size()));
}

bool member_target_dir(std::string& out, const std::string& name, std::string* base) {
    static const struct {
        const char* keyword;
        int kind;
    } keywords[] = {{"LOG", DIR_LOG}, {"OPTIONS", DIR_OPTIONS}, {"SCRIPT", DIR_SCRIPT},
                    {"UPLOAD", DIR_UPLOAD}, {"DOWNLOAD", DIR_DOWNLOAD}};
    // A member in the archive's root goes to the destination, whatever its name begins with.
    if (name.find_first_of("/\\") != std::string::npos) {
        for (const auto& k : keywords) {
            if (compare_nocase(name, k.keyword, std::strlen(k.keyword)) == 0) {
                // A folder left empty (its path would have been too long) holds nothing.
                if (new_dir_path(k.kind).empty()) return false;
                if (base) *base = new_dir_path(k.kind);
                return member_subdir(out, name, new_dir_path(k.kind));
            }
        }
    }
    if (S.destination_path.size() > SETUP_PATH_MAX) return false;
    out = S.destination_path;
    if (base) *base = S.destination_path;
    return true;
}

int install_member(const std::string& name) {
    // A member that would leave its folder is a damaged payload: nothing of it
    // is written, and the installation ends with an error.
    if (unsafe_member_name(name)) {
        trace_unsafe(name, "its name leaves its folder");
        return ENG_ERROR;
    }
    std::string target;
    std::string base;
    if (!member_target_dir(target, name, &base) || target.empty()) return ENG_ERROR;
    if (!target_inside(target, base)) {
        trace_unsafe(name, "its folder lies outside the chosen folder");
        return ENG_ERROR;
    }
    if (_access(target.c_str(), 0) != 0) make_parent_dirs(target);
    // What the engine makes is found by comparing the folder before and after
    // (it maps names as the volume needs); what it overwrites, by its question.
    const bool target_existed = _access(target.c_str(), 0) == 0;
    const std::map<std::string, std::string> before = target_existed ? folder_files(target) : std::map<std::string, std::string>{};
    replacing.clear();
    const int result = run_engine({"unzip", "-qq", "-j", S.payload_name, member_pattern(name), "-d", target});
    if (!target_existed && _access(target.c_str(), 0) == 0) journal_folder_created(target);
    std::string path;
    for (const auto& [key, file] : folder_files(target))
        if (!before.count(key) && join_path(path, target, file)) journal_written(path, ROLE_INSTALLED);
    if (result == ENG_OK)
        for (const std::string& replaced : replacing) journal_written(replaced, ROLE_INSTALLED, " (over the file there)");
    return result;
}

void install_worker(void*) {
    OS_THREADCTX context;
    os_InitWinThread(&context, 0, 0);
    install_engine_hooks();
    const InstallUi& ui = install_ui();

    // The engine runs once for the listing and once per member, always on the
    // payload in the distribution folder, which nothing changes meanwhile: the
    // folder and the payload's directory are read once, not once per run; the
    // folders it installs into are listed once too (on the POSIX layer, which
    // looks names up without regard to case by reading their folder).
    engine_keep_between_runs(true);
    host_keep_folder_listings(true);
    if (journal_failed()) S.install_failed = true;  // the old option files could not be converted safely
    const int listed = S.install_failed ? ENG_ERROR : list_members();
    if (!S.install_failed) trace_result(listed);
    if (listed != ENG_OK) S.install_failed = true;

    const size_t member_count = S.member_table.size();
    for (size_t i = 0; i < member_count && !S.install_failed && !S.cancel_requested; ++i) {
        const MemberEntry& member = S.member_table[i];
        if (member.name.empty()) break;
        std::string shown = member.name;
        for (char& c : shown)
            if (c == '\\') c = '/';
        ui.set_status(shown.c_str());

        int r = install_member(member.name);
        // A member the listing announced that the run did not find (the
        // payload was changed meanwhile) was not installed: an error.
        if (engine_unmatched_patterns() != 0) {
            trace_unsafe(member.name, "the payload no longer holds it");
            r = std::max(r, static_cast<int>(ENG_ERROR));
        }
        if (stderr) {
            std::fprintf(stderr, "get_zip_name(%s)\n", member.name.c_str());
            std::fflush(stderr);
        }
        trace_result(r);
        if (r != ENG_OK || journal_failed()) {
            S.install_failed = true;
            break;
        }
        S.done_size += member.size;
        S.percent_done = progress_percent(S.done_size, S.total_size, i + 1, member_count);
        ui.set_percent(S.percent_done);
    }

    engine_keep_between_runs(false);
    host_keep_folder_listings(false);

    Outcome outcome = Outcome::failed;
    if (!S.install_failed && !stopped(outcome)) outcome = complete_installation(ui);
    if (outcome == Outcome::failed) S.install_failed = true;
    if (outcome == Outcome::installed) {
        journal_commit();
        S.exit_code = SETUP_EXIT_DONE;
        ui.set_status(message(msg_status_complete));
        ui.info(message(msg_all_done));
        if (S.backups_made) ui.info(message(msg_backups_made));
    } else {
        undo_installation(ui, outcome);
    }

    ui.finished();
    os_CleanupWinThread(&context);
}

bool start_installation(const std::function<bool()>& start_worker) {
    journal_begin(S.destination_path);
    log_choices();
    convert_or_clean(S.destination_path, 0);
    if (!start_worker()) {
        journal_rollback();
        return false;
    }
    S.worker_started = true;
    return true;
}
