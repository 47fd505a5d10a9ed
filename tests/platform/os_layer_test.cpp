// The Linux portability layer: windows, message boxes, posted messages,
// threads, system values, profile store and assertion reports.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"

namespace {

class OsLayer : public ::testing::Test {
protected:
    void TearDown() override {
        os_script_join_threads();
        os_script_reset_windows();
        os_script_set_answerer(nullptr);
        os_script_reset_sys_values();
        os_script_ini_clear();
        os_script_clear_assertions();
    }
};

TEST_F(OsLayer, ControlsByIdWithTextAndEnabledState) {
    HWIN dialog = os_script_create_window(nullptr, 100, "TEV Install");
    HWIN status = os_script_create_window(dialog, 309);
    HWIN other = os_script_create_window(nullptr, 101);
    os_script_create_window(other, 309);
    EXPECT_EQ(os_SubWin(dialog, 309), status);
    EXPECT_EQ(os_SubWin(dialog, 310), nullptr);
    EXPECT_EQ(os_SubWin(nullptr, 309), nullptr);

    EXPECT_EQ(os_SetWindowText(status, "Installation complete"), 1);
    char text[12];
    EXPECT_EQ(os_QueryWindowText(status, sizeof text, text), 11);
    EXPECT_STREQ(text, "Installati" "o");
    EXPECT_EQ(os_IsWindowEnabled(status), 1);
    os_EnableWindow(status, 0);
    EXPECT_EQ(os_IsWindowEnabled(status), 0);
    EXPECT_EQ(os_IsWindowEnabled(nullptr), 0);
    EXPECT_EQ(os_SetWindowText(nullptr, "x"), 0);
}

TEST_F(OsLayer, MessageBoxesGoToTheAnswerer) {
    HWIN owner = os_script_create_window(nullptr, 100);
    std::string seen;
    os_script_set_answerer([&](HWIN o, const char* caption, const char* text, int style) {
        EXPECT_EQ(o, owner);
        seen = std::string(caption) + "|" + text + "|" + std::to_string(style);
        return OS_MB_YES;
    });
    EXPECT_EQ(os_MessageBox(owner, "Information", "Go?", 0x91), OS_MB_YES);
    EXPECT_EQ(seen, "Information|Go?|145");
    os_script_set_answerer(nullptr);
    EXPECT_NE(os_MessageBox(owner, "Information", "unanswered", 0x91), OS_MB_YES);
}

TEST_F(OsLayer, PostedMessagesReachTheWindowFromAnotherThread) {
    HWIN dialog = os_script_create_window(nullptr, 100);
    static HWIN target;
    target = dialog;
    OS_THREADCTX main_context;
    const int before = os_script_live_contexts();
    ASSERT_NE(os_CreateThread(
                  [](void*) {
                      OS_THREADCTX context;
                      os_InitWinThread(&context, 0, 0);
                      os_PostMsg(target, 0x402, 7, 9);
                      os_CleanupWinThread(&context);
                  },
                  nullptr),
              0);
    OsMessage m;
    ASSERT_TRUE(os_script_wait_message(dialog, &m, 5000));
    EXPECT_EQ(m.code, 0x402u);
    EXPECT_EQ(m.param1, 7u);
    EXPECT_EQ(m.param2, 9);
    os_script_join_threads();
    EXPECT_EQ(os_script_live_contexts(), before);
    EXPECT_FALSE(os_script_wait_message(dialog, &m, 10));
    EXPECT_EQ(os_PostMsg(nullptr, 1, 0, 0), 0);
    EXPECT_EQ(os_CleanupWinThread(&main_context), 0);  // never initialised
}

TEST_F(OsLayer, SystemValuesProfileAndAssertions) {
    EXPECT_EQ(os_QuerySysValue(OS_SV_PLATFORM), OS_PLATFORM_NT);
    EXPECT_EQ(os_QuerySysValue(OS_SV_VERSION), 400);
    os_script_set_sys_value(OS_SV_VERSION, 351);
    EXPECT_EQ(os_QuerySysValue(OS_SV_VERSION), 351);

    char buffer[8];
    uint32_t size = sizeof buffer;
    EXPECT_EQ(os_IniMgr(OS_INI_QUERY, 0, "Tevanet ", "HomePath", buffer, &size), 0);
    os_script_ini_set("Tevanet ", "HomePath", "C:\\TEV\\LONGER");
    size = sizeof buffer;
    EXPECT_NE(os_IniMgr(OS_INI_QUERY, 0, "Tevanet ", "HomePath", buffer, &size), 0);
    EXPECT_STREQ(buffer, "C:\\TEV\\");  // cut to the buffer, terminated
    EXPECT_EQ(size, 7u);
    size = sizeof buffer;
    EXPECT_EQ(os_IniMgr(OS_INI_QUERY, 0, "Tevanet", "HomePath", buffer, &size), 0);  // no trailing blank

    os_AssertMsg("x != 0", "imisc", 12);
    ASSERT_EQ(os_script_assertions().size(), 1u);
    EXPECT_EQ(os_script_assertions()[0].expression, "x != 0");
    EXPECT_EQ(os_script_assertions()[0].line, 12);
}

}  // namespace
