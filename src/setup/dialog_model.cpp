#include "setup/dialog_model.h"

#include <cctype>

#include "migration/file_helpers.h"
#include "migration/path_settings.h"
#include "setup/messages.h"
#include "setup/setup_state.h"

namespace {

// The five directory edits with their fields, in the order they are filled.
struct DirectoryEdit {
    int id;
    int kind;  // DIR_LOG, ...
};
constexpr std::array<DirectoryEdit, DIR_COUNT> DIRECTORY_EDITS = {{
    {ID_LOG_PATH, DIR_LOG},
    {ID_OPTIONS_PATH, DIR_OPTIONS},
    {ID_SCRIPT_PATH, DIR_SCRIPT},
    {ID_UPLOAD_PATH, DIR_UPLOAD},
    {ID_DOWNLOAD_PATH, DIR_DOWNLOAD},
}};

// One call of the model: the controls and the changes made so far.
struct Step {
    DialogModel& model;
    DialogChanges& changes;
};

const std::string& text_of(const DialogModel& model, int id) {
    static const std::string none;
    const auto it = model.text.find(id);
    return it != model.text.end() ? it->second : none;
}

int checked_of(const DialogModel& model, int id) {
    const auto it = model.checked.find(id);
    return it != model.checked.end() ? it->second : 0;
}

bool equal_nocase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && compare_nocase(a, b, a.size()) == 0;
}

// A typed short path ("\TE", "TEV") rather than a drive root ("C:\").
bool is_short_relative(const std::string& path) { return path.size() == 3 && path.compare(1, 2, ":\\") != 0; }

bool on_floppy(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return false;
    const int drive = std::tolower(static_cast<unsigned char>(path[0]));
    return drive == 'a' || drive == 'b';
}

std::string lower_case(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void update_copy_choices(Step& s) {
    const CopyChoices choices = copy_choices(S);
    for (int id : {ID_COPY_OPTIONS, ID_COPY_PHONE_BOOK, ID_COPY_SCRIPTS})
        s.model.enabled[id] = copy_box_enabled(choices, id);
}

void field_changed(Step& s, int id, bool text_changed);

// Sets an edit's text; its handler runs before this returns, as in the dialog.
void set_edit(Step& s, int id, const std::string& text) {
    s.model.text[id] = text;
    s.changes.texts.emplace_back(id, text);
    field_changed(s, id, true);
}

// A short typed path made absolute, shown in its edit when that changed it.
void complete_short_path(Step& s, int id, std::string& field) {
    if (!is_short_relative(field)) return;
    std::string absolute = field;
    if (make_absolute(absolute) && absolute != field) {
        field = absolute;
        set_edit(s, id, absolute);
    }
}

void existing_path_changed(Step& s) {
    S.existing_is_beta = false;
    const std::string previous = S.existing_path;
    read_fields(s.model);
    complete_short_path(s, ID_EXISTING_PATH, S.existing_path);
    if (on_floppy(S.existing_path)) {
        set_edit(s, ID_EXISTING_PATH, "");
        set_edit(s, ID_DESTINATION_PATH, "");
    } else {
        read_existing_installation();
    }
    // The destination follows the existing path until the user gives it a value of its own.
    if (equal_nocase(S.destination_path, previous) || S.destination_path.empty())
        S.destination_path = S.existing_path;
    set_edit(s, ID_DESTINATION_PATH, S.destination_path);
    update_copy_choices(s);
}

void destination_changed(Step& s) {
    read_fields(s.model);
    complete_short_path(s, ID_DESTINATION_PATH, S.destination_path);
    if (on_floppy(S.destination_path)) set_edit(s, ID_DESTINATION_PATH, "");
    rebase_new_paths();
    for (const DirectoryEdit& e : DIRECTORY_EDITS) set_edit(s, e.id, new_dir_path(e.kind));
    update_copy_choices(s);
}

void already_installed_changed(Step& s) {
    S.already_installed = checked_of(s.model, ID_ALREADY_INSTALLED);
    s.model.enabled[ID_EXISTING_LABEL] = s.model.enabled[ID_EXISTING_PATH] = S.already_installed != 0;
    if (!S.already_installed) {
        S.existing_path.clear();
        set_edit(s, ID_EXISTING_PATH, "");
    }
}

void field_changed(Step& s, int id, bool text_changed) {
    if (S.worker_started) return;
    switch (id) {
    case ID_EXISTING_PATH:
        if (text_changed) existing_path_changed(s);
        break;
    case ID_DESTINATION_PATH:
        if (text_changed) destination_changed(s);
        break;
    case ID_OPTIONS_PATH:
        S.options_path = text_of(s.model, ID_OPTIONS_PATH);
        update_copy_choices(s);
        break;
    case ID_SCRIPT_PATH:
        S.script_path = text_of(s.model, ID_SCRIPT_PATH);
        update_copy_choices(s);
        break;
    case ID_ALREADY_INSTALLED: already_installed_changed(s); break;
    default: break;
    }
}

}  // namespace

DialogChanges dialog_initialise(DialogModel& model, const std::optional<std::string>& home_path) {
    model = DialogModel{};
    for (int id : DIALOG_EDITS) model.text[id] = "";
    for (int id : {ID_INSTALL, ID_EXISTING_LABEL, ID_EXISTING_PATH}) model.enabled[id] = true;
    DialogChanges changes;
    Step s{model, changes};

    model.checked[ID_ALREADY_INSTALLED] = S.already_installed;
    model.checked[ID_COPY_OPTIONS] = S.copy_options;
    model.checked[ID_COPY_PHONE_BOOK] = S.copy_phone_book;
    model.checked[ID_COPY_SCRIPTS] = S.copy_scripts;

    S.existing_path = home_path ? lower_case(*home_path) : "";
    // Each of these runs its change handler, as typing would.
    set_edit(s, ID_EXISTING_PATH, S.existing_path);
    set_edit(s, ID_DESTINATION_PATH, S.destination_path);
    for (const DirectoryEdit& e : DIRECTORY_EDITS) set_edit(s, e.id, new_dir_path(e.kind));

    model.enabled[ID_EXISTING_LABEL] = model.enabled[ID_EXISTING_PATH] = S.already_installed != 0;
    for (int id : {ID_COPY_OPTIONS, ID_COPY_PHONE_BOOK, ID_COPY_SCRIPTS}) model.enabled[id] = false;

    const bool ask_existing = S.already_installed == 1 && S.existing_path.empty();
    changes.focus = ask_existing ? ID_EXISTING_PATH : ID_DESTINATION_PATH;
    return changes;
}

DialogChanges dialog_control_changed(DialogModel& model, int id, bool text_changed) {
    DialogChanges changes;
    Step s{model, changes};
    field_changed(s, id, text_changed);
    return changes;
}

DialogChanges dialog_type_text(DialogModel& model, int id, const std::string& text) {
    DialogChanges changes;
    Step s{model, changes};
    set_edit(s, id, text);
    return changes;
}

DialogChanges dialog_install(DialogModel& model, bool beta_confirmed) {
    DialogChanges changes;
    if (S.worker_started) return changes;  // one installation per run, whatever sent the command
    if (S.existing_is_beta && !beta_confirmed) {
        changes.question = msg_ask_upgrade_from_beta;
        return changes;
    }
    read_fields(model);
    const struct {
        const std::string& field;
        int message;
        int id;
    } requirements[] = {
        {S.destination_path, msg_empty_destination, ID_DESTINATION_PATH},
        {S.log_path, msg_empty_log_path, ID_LOG_PATH},
        {S.options_path, msg_empty_options_path, ID_OPTIONS_PATH},
        {S.script_path, msg_empty_script_path, ID_SCRIPT_PATH},
        {S.upload_path, msg_empty_upload_path, ID_UPLOAD_PATH},
        {S.download_path, msg_empty_download_path, ID_DOWNLOAD_PATH},
    };
    for (const auto& r : requirements) {
        if (r.field.empty()) {
            changes.message = r.message;
            changes.focus = r.id;
            return changes;
        }
    }
    model.enabled[ID_INSTALL] = false;
    changes.focus = ID_DESTINATION_PATH;
    changes.start = true;
    return changes;
}

void read_fields(const DialogModel& model) {
    S.already_installed = checked_of(model, ID_ALREADY_INSTALLED);
    S.existing_path = text_of(model, ID_EXISTING_PATH);
    S.destination_path = text_of(model, ID_DESTINATION_PATH);
    S.copy_options = checked_of(model, ID_COPY_OPTIONS);
    S.copy_phone_book = checked_of(model, ID_COPY_PHONE_BOOK);
    S.copy_scripts = checked_of(model, ID_COPY_SCRIPTS);
    for (const DirectoryEdit& e : DIRECTORY_EDITS) new_dir_path(e.kind) = text_of(model, e.id);
}

bool dialog_cancel() {
    S.cancel_requested = true;
    return !S.worker_started;
}

bool dialog_offers_docs() { return !S.cancel_requested; }
