#include "setup/messages.h"

#include <array>

#include "setup/setup_state.h"
#include "setup/text_cp.h"

namespace {

// Bytes above 0x7F are code page 850 letters: 0x82 e acute, 0x8A e grave,
// 0x88 e circumflex, 0x85 a grave, 0x84 a umlaut, 0x94 o umlaut, 0x81 u umlaut.
constexpr std::array<std::array<const char*, LANGUAGE_COUNT>, MESSAGE_COUNT> MESSAGE_TABLE = {{
    // msg_status_complete
    {"Installation complete",
     "Installation abgeschlossen",
     "Installation termin\x82" "e"},
    // msg_cancelled
    {"Installation aborted - TEV wasn't installed successfully!",
     "Installation abgebrochen - TEV konnte nicht vollst\x84" "ndig installiert werden!",
     "Installation abandonn\x82" "e - l'installation de TEV n'a pas r\x82" "ussi!"},
    // msg_error_aborted
    {"An error occurred during install - installation aborted!",
     "W\x84" "hrend der Installation ist ein Fehler aufgetreten - die Installation wird abgebrochen!",
     "Une erreur s'est produite lors de l'installation - installation abandonn\x82" "e!"},
    // msg_no_payload
    {"Sorry, no files to install!",
     "Sorry, no files to install!",
     "Sorry, no files to install!"},
    // msg_needs_nt4
    {"Sorry, this program requires Windows NT 4.00 or higher - installation aborted!",
     "Dieses Programm ben\x94" "tigt mindestens Windows NT 4.00 - Installation wird abgebrochen!",
     "D\x82" "sol\x82" ", ce programme exige Windows NT 4.00 ou une version ult\x82" "rieure - installation abandonn\x82" "e!"},
    // msg_all_done
    {"All files processed - installation complete (TEV was added to your start menu)",
     "Installation erfolgreich beendet (TEV-Eintrag wurde im Startmen\x81" " erzeugt)",
     "Tous les fichiers ont \x82" "t\x82" " trait\x82" "s - installation termin\x82" "e (TEV a \x82" "t\x82" " ajout\x82" " au menu d\x82" "marrage)"},
    // msg_empty_destination
    {"Destination path is empty",
     "Der Ziel-Pfad ist leer",
     "Le chemin destination est vide"},
    // msg_empty_log_path
    {"Logfile path is empty",
     "Der Logdatei-Pfad ist leer",
     "Le chemin de fichier journal est vide"},
    // msg_empty_options_path
    {"Option path is empty",
     "Der Optionen-Pfad ist leer",
     "Le chemin d'options est vide"},
    // msg_empty_script_path
    {"Script path is empty",
     "Der Script-Pfad ist leer",
     "Le chemin de script est vide"},
    // msg_empty_upload_path
    {"Upload path is empty",
     "Der Upload-Pfad ist leer",
     "Le chemin d'envoi de fichiers est vide"},
    // msg_empty_download_path
    {"Download path is empty",
     "Der Download-Pfad ist leer",
     "Le chemin de r\x82" "ception de fichiers est vide"},
    // msg_caption_info
    {"Information",
     "Information",
     "Information"},
    // msg_caption_error
    {"Error",
     "Fehler",
     "Erreur"},
    // msg_ask_upgrade_from_beta
    {"You are about to upgrade from a beta-version.  This is *NOT* recommended.\r\rDo you REALLY want to proceed?",
     "Es ist *NICHT* empfehlenswert, Daten aus einer bestehenden Beta-Version zu \x81" "bernehmen.\r\rWollen Sie WIRKLICH fortfahren?",
     "Vous allez faire une mise \x85" " jour avec une version b\x88" "ta. Ceci est *DECONSEILLE*.\r\rVoulez-vous VRAIMENT continuer? "},
    // msg_ask_beta_over_existing
    {"You are about to overwrite an existing version with a beta.  This is *NOT* recommended.\r\rDo you REALLY want to proceed?",
     "Es ist *NICHT* empfehlenswert, eine Beta-Version \x81" "ber eine bestehende Version zu installieren.\r\rWollen Sie WIRKLICH fortfahren?",
     "Vous allez \x82" "craser une version existante avec une version b\x88" "ta. Ceci est *DECONSEILLE*.\r\rVoulez-vous VRAIMENT continuer?"},
    // msg_ask_overwrite_file
    {"Overwrite %s with TEV's installation defaults?",
     "Datei %s mit Standardeinstellungen \x81" "berschreiben?",
     "Ecraser %s avec les param\x8A" "tres d'installation par d\x82" "faut de TEV?"},
    // msg_ask_overwrite_options
    {"Overwrite existing option files with TEV's installation defaults (all TEV settings will be lost)?",
     "Bestehende Options-Dateien mit Standardeinstellungen \x81" "berschreiben (alle bisherigen TEV-Einstellungen werden gel\x94" "scht)?",
     "Ecraser les fichiers d'options existants avec les options d'installation par d\x82" "faut de TEV?"},
    // msg_backups_made
    {"All intentionally overwritten files were backed up in the same directory!",
     "Von allen absichtlich \x81" "berschriebenen Dateien wurden Sicherheitskopien im entsprechenden Verzeichnis angelegt",
     "Tous les fichiers \x82" "cras\x82" "s intentionnellement ont \x82" "t\x82" " sauvegard\x82" "s dans le m\x88" "me r\x82" "pertoire!"},
    // msg_ask_read_docs
    {"Do you want to read TEV's DOC-files (PROBLEMS.DOC, README.DOC, etc.) now?",
     "Informationsdateien (PROBLEMS.DOC, README.DOC, etc.) jetzt anzeigen?",
     "Voulez-vous lire maintenant les fichiers DOC de TEV (PROBLEMS.DOC, README.DOC, etc.)?"},
    // msg_status_deleting
    {"Searching and deleting old files",
     "Suchen und L\x94" "schen nicht mehr ben\x94" "tigter Dateien",
     "Recherche et suppression des anciens fichiers"},
    // msg_status_paths
    {"Updating path information",
     "Aktualisieren der Pfadinformationen",
     "Mise \x85" " jour des informations de chemin"},
    // msg_status_folder
    {"Creating TEV folder",
     "TEV-Ordner wird erstellt",
     "Cr\x82" "ation du dossier TEV"},
    // msg_order_prefix
    {"Order from ",
     "Bestellen bei ",
     "Commande de la part de "},
    // msg_folder_name
    {"TEV for Windows%s",
     "TEV f\x81" "r Windows%s",
     "TEV sous Windows%s"},
}};

}  // namespace

const char* message_text(int id, int language) {
    if (id < 0 || id >= MESSAGE_COUNT) return "";
    if (language < 0 || language >= LANGUAGE_COUNT) language = LANGUAGE_ENGLISH;
    return MESSAGE_TABLE[id][language];
}

namespace {

// The table in code page 1252, converted once from the stored code page 850.
const std::array<std::array<std::string, LANGUAGE_COUNT>, MESSAGE_COUNT>& ansi_table() {
    static const auto table = [] {
        std::array<std::array<std::string, LANGUAGE_COUNT>, MESSAGE_COUNT> t;
        for (int id = 0; id < MESSAGE_COUNT; ++id)
            for (int language = 0; language < LANGUAGE_COUNT; ++language)
                t[id][language] = cp850_to_cp1252(MESSAGE_TABLE[id][language]);
        return t;
    }();
    return table;
}

}  // namespace

const char* message(int id) {
    if (id < 0 || id >= MESSAGE_COUNT) return "";
    const int language = S.language_index >= 0 && S.language_index < LANGUAGE_COUNT ? S.language_index : LANGUAGE_ENGLISH;
    return ansi_table()[id][language].c_str();
}

std::string format_message(int id, const std::string& argument) {
    // The template is converted already; the argument (a path) is 1252 text as it stands.
    const std::string text = message(id);
    const size_t at = text.find("%s");
    if (at == std::string::npos) return text;
    return text.substr(0, at) + argument + text.substr(at + 2);
}
