// The message table: code page 850 bytes, trailing blanks, placeholders.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/text_cp.h"

namespace {

TEST(MessageTable, AccentedLettersAreCodePage850Bytes) {
    EXPECT_STREQ(message_text(msg_status_complete, LANGUAGE_FRENCH), "Installation termin\x82" "e");
    EXPECT_STREQ(message_text(msg_needs_nt4, LANGUAGE_GERMAN),
                 "Dieses Programm ben\x94tigt mindestens Windows NT 4.00 - Installation wird abgebrochen!");
    EXPECT_STREQ(message_text(msg_folder_name, LANGUAGE_GERMAN), "TEV f\x81r Windows%s");
    EXPECT_STREQ(message_text(msg_cancelled, LANGUAGE_GERMAN),
                 "Installation abgebrochen - TEV konnte nicht vollst\x84ndig installiert werden!");
    EXPECT_STREQ(message_text(msg_ask_overwrite_file, LANGUAGE_FRENCH),
                 "Ecraser %s avec les param\x8Atres d'installation par d\x82" "faut de TEV?");
    // No byte of any text is outside ASCII except the seven letters.
    const std::string letters = "\x82\x8A\x88\x85\x84\x94\x81";
    for (int id = 0; id < MESSAGE_COUNT; ++id)
        for (int language = 0; language < LANGUAGE_COUNT; ++language)
            for (const char* p = message_text(id, language); *p; ++p)
                if (static_cast<unsigned char>(*p) >= 0x80) {
                    EXPECT_NE(letters.find(*p), std::string::npos) << id << "/" << language;
                }
}

TEST(MessageTable, TrailingBlanksCarriageReturnsAndSharedTexts) {
    const char* french = message_text(msg_ask_upgrade_from_beta, LANGUAGE_FRENCH);
    EXPECT_EQ(french[std::strlen(french) - 1], ' ');
    EXPECT_NE(std::strstr(french, "b\x88ta. Ceci est *DECONSEILLE*.\r\rVoulez"), nullptr);
    const char* english = message_text(msg_ask_upgrade_from_beta, LANGUAGE_ENGLISH);
    EXPECT_NE(std::strstr(english, "beta-version.  This is *NOT* recommended.\r\rDo you"), nullptr);
    EXPECT_STREQ(message_text(msg_order_prefix, LANGUAGE_FRENCH), "Commande de la part de ");
    EXPECT_STREQ(message_text(msg_order_prefix, LANGUAGE_GERMAN), "Bestellen bei ");
    for (int language = 0; language < LANGUAGE_COUNT; ++language) {
        EXPECT_STREQ(message_text(msg_no_payload, language), "Sorry, no files to install!");
        EXPECT_STREQ(message_text(msg_caption_info, language), "Information");
    }
    EXPECT_STREQ(message_text(msg_caption_error, LANGUAGE_GERMAN), "Fehler");
    EXPECT_STREQ(message_text(msg_caption_error, LANGUAGE_FRENCH), "Erreur");
}

TEST(MessageTable, CurrentLanguageAndFormatting) {
    reset_setup_state();
    EXPECT_STREQ(message(msg_status_paths), "Updating path information");
    S.language_index = LANGUAGE_GERMAN;
    // Shown texts are code page 1252: the template is converted, the path (1252
    // already, here with an e acute) goes in as it stands.
    EXPECT_EQ(format_message(msg_ask_overwrite_file, "C:\\CAF\xC9\\PHONEBK"),
              "Datei C:\\CAF\xC9\\PHONEBK mit Standardeinstellungen \xFC" "berschreiben?");
    // A path holding a placeholder of its own is shown as it stands.
    EXPECT_EQ(format_message(msg_folder_name, "%s%n"), "TEV f\xFCr Windows%s%n");
    S.language_index = LANGUAGE_FRENCH;
    EXPECT_STREQ(message(msg_ask_overwrite_options),
                 "Ecraser les fichiers d'options existants avec les options d'installation par d\xE9" "faut de TEV?");
    EXPECT_STREQ(message(msg_ask_upgrade_from_beta),
                 "Vous allez faire une mise \xE0 jour avec une version b\xEAta. Ceci est *DECONSEILLE*.\r\r"
                 "Voulez-vous VRAIMENT continuer? ");
    EXPECT_STREQ(message(msg_status_paths), "Mise \xE0 jour des informations de chemin");
    EXPECT_STREQ(message_text(MESSAGE_COUNT, LANGUAGE_ENGLISH), "");
    reset_setup_state();
}

TEST(TextForPeople, CodePage850BecomesCodePage1252) {
    EXPECT_EQ(cp850_to_cp1252("\x82\x8A\x88\x85\x84\x94\x81\xC9 x"), "\xE9\xE8\xEA\xE0\xE4\xF6\xFC? x");
}

}  // namespace
