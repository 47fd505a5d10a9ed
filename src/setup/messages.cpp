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
    // msg_nothing_changed
    {"Nothing was changed - your computer is as it was before the installation.",
     "Es wurde nichts ver\x84" "ndert - Ihr Computer ist im selben Zustand wie vor der Installation.",
     "Rien n'a \x82" "t\x82" " modifi\x82" " - votre ordinateur est dans le m\x88" "me \x82" "tat qu'avant l'installation."},
    // msg_not_all_undone
    {"Not everything could be undone, but none of your files was lost. Please look at:\r%s",
     "Nicht alles konnte r\x81" "ckg\x84" "ngig gemacht werden, aber keine Ihrer Dateien ging verloren. Bitte pr\x81" "fen Sie:\r%s",
     "Tout n'a pas pu \x88" "tre annul\x82" ", mais aucun de vos fichiers n'a \x82" "t\x82" " perdu. Veuillez v\x82" "rifier:\r%s"},
    // msg_status_rollback
    {"Undoing the installation",
     "Installation wird r\x81" "ckg\x84" "ngig gemacht",
     "Annulation de l'installation"},
    // msg_usage
    {"Usage: setup.exe [/S] [/DIR=path] [/LOG=file] [/ALLUSERS] [/FORCE]\r\r"
     "/S  unattended: no dialog and no questions\r"
     "/DIR=path  the destination folder\r"
     "/LOG=file  a log of everything the setup does\r"
     "/ALLUSERS  for every user of this computer (administrators)\r"
     "/FORCE  with /S: install over a beta version\r\r"
     "UNINSTAL.EXE /UNINSTALL [/S] [/LOG=file] removes TEV again.\r\r"
     "Exit codes: 0 installed, 1 cancelled, 2 failed, 3 refused, 4 bad command line, 5 not allowed.",
     "Aufruf: setup.exe [/S] [/DIR=Pfad] [/LOG=Datei] [/ALLUSERS] [/FORCE]\r\r"
     "/S  unbeaufsichtigt: kein Dialog, keine Fragen\r"
     "/DIR=Pfad  das Zielverzeichnis\r"
     "/LOG=Datei  ein Protokoll aller Schritte\r"
     "/ALLUSERS  f\x81" "r alle Benutzer dieses Computers (Administratoren)\r"
     "/FORCE  mit /S: auch \x81" "ber eine Beta-Version installieren\r\r"
     "UNINSTAL.EXE /UNINSTALL [/S] [/LOG=Datei] entfernt TEV wieder.\r\r"
     "R\x81" "ckgabewerte: 0 installiert, 1 abgebrochen, 2 fehlgeschlagen, 3 abgelehnt, 4 falscher Aufruf, 5 nicht erlaubt.",
     "Utilisation: setup.exe [/S] [/DIR=chemin] [/LOG=fichier] [/ALLUSERS] [/FORCE]\r\r"
     "/S  sans surveillance: ni dialogue ni questions\r"
     "/DIR=chemin  le r\x82" "pertoire destination\r"
     "/LOG=fichier  un journal de toutes les op\x82" "rations\r"
     "/ALLUSERS  pour tous les utilisateurs de cet ordinateur (administrateurs)\r"
     "/FORCE  avec /S: installer aussi sur une version b\x88" "ta\r\r"
     "UNINSTAL.EXE /UNINSTALL [/S] [/LOG=fichier] supprime TEV.\r\r"
     "Codes de sortie: 0 install\x82" ", 1 annul\x82" ", 2 \x82" "chec, 3 refus\x82" ", 4 ligne de commande incorrecte, 5 non autoris\x82" "."},
    // msg_needs_rights
    {"TEV for all users (/ALLUSERS) can only be installed or removed with administrator rights - nothing was changed!",
     "TEV f\x81" "r alle Benutzer (/ALLUSERS) kann nur mit Administratorrechten installiert oder entfernt werden - es wurde nichts ver\x84" "ndert!",
     "TEV pour tous les utilisateurs (/ALLUSERS) ne peut \x88" "tre install\x82" " ou supprim\x82" " qu'avec des droits d'administrateur - rien n'a \x82" "t\x82" " modifi\x82" "!"},
    // msg_ask_uninstall
    {"Do you really want to remove TEV for Windows from your computer?\r\rFiles you changed or added are kept.",
     "Wollen Sie TEV f\x81" "r Windows wirklich von Ihrem Computer entfernen?\r\rVon Ihnen ge\x84" "nderte oder hinzugef\x81" "gte Dateien bleiben erhalten.",
     "Voulez-vous vraiment supprimer TEV sous Windows de votre ordinateur?\r\rLes fichiers que vous avez modifi\x82" "s ou ajout\x82" "s sont conserv\x82" "s."},
    // msg_uninstalled
    {"TEV for Windows was removed from your computer.",
     "TEV f\x81" "r Windows wurde von Ihrem Computer entfernt.",
     "TEV sous Windows a \x82" "t\x82" " supprim\x82" " de votre ordinateur."},
    // msg_uninstall_kept
    {"These files are your own or were changed after the installation, and were kept:\r%s",
     "Diese Dateien geh\x94" "ren Ihnen oder wurden nach der Installation ge\x84" "ndert und bleiben erhalten:\r%s",
     "Ces fichiers vous appartiennent ou ont \x82" "t\x82" " modifi\x82" "s apr\x8A" "s l'installation, et ont \x82" "t\x82" " conserv\x82" "s:\r%s"},
    // msg_no_record
    {"The uninstall record UNINSTAL.DAT is missing or damaged - nothing was removed!",
     "Die Deinstallationsdatei UNINSTAL.DAT fehlt oder ist besch\x84" "digt - es wurde nichts entfernt!",
     "Le fichier de d\x82" "sinstallation UNINSTAL.DAT est absent ou endommag\x82" " - rien n'a \x82" "t\x82" " supprim\x82" "!"},
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

std::string message_list(const std::vector<std::string>& items) {
    constexpr size_t SHOWN = 15;
    std::string text;
    for (size_t i = 0; i < items.size() && i < SHOWN; ++i) text += (i ? "\r" : "") + items[i];
    if (items.size() > SHOWN) text += "\r...";
    return text;
}
