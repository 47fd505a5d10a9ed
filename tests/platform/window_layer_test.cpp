// The Linux layer's dialogs: built from a template (with custom classes),
// geometry in pixels with y upwards, edits that report changes synchronously
// and honour their limit, the scripted user, the message loop, destruction,
// and waiting for a thread.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"
#include "platform/win32_gui.h"

namespace {

std::vector<OsMessage> received;  // what the test dialog's procedure got

intptr_t recording_proc(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2) {
    received.push_back(OsMessage{message, param1, param2});
    if (message == 0x77) os_DismissDlg(window, 42);
    return 0;
}

LRESULT custom_proc(HWND window, UINT message, WPARAM param1, LPARAM param2) {
    return message == WM_CREATE ? SetWindowLongA(window, 0, 7), 0 : DefWindowProcA(window, message, param1, param2);
}

OsDialogTemplate test_dialog(const char* custom_class) {
    OsDialogTemplate t;
    t.cx = 100;
    t.cy = 50;
    t.caption = "Test";
    t.controls = {{10, OsControlKind::label, "", 2, 2, 40, 8, "Label"},
                  {11, OsControlKind::edit, "", 10, 20, 40, 12, ""},
                  {12, OsControlKind::edit_read_only, "", 50, 20, 40, 12, "fixed"},
                  {13, OsControlKind::check_box, "", 2, 36, 40, 10, "Box"},
                  {1, OsControlKind::default_button, "", 60, 36, 30, 12, "OK"},
                  {14, OsControlKind::custom, custom_class, 0, 0, 10, 10, ""}};
    return t;
}

class WindowLayer : public ::testing::Test {
protected:
    void SetUp() override { received.clear(); }
    void TearDown() override {
        os_script_reset_windows();
        os_script_set_process_timeout(20000);
    }
};

TEST_F(WindowLayer, DialogsFromTemplatesWithTheirControls) {
    EXPECT_EQ(os_LoadDlg(nullptr, nullptr, recording_proc, 0, 9001, nullptr), nullptr);  // no template
    os_script_add_dialog(9001, test_dialog("LayerTestClass"));
    EXPECT_EQ(os_LoadDlg(nullptr, nullptr, recording_proc, 0, 9001, nullptr), nullptr);  // no class
    EXPECT_TRUE(received.empty());

    WNDCLASSA wc{};
    wc.lpfnWndProc = custom_proc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = "LayerTestClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
    EXPECT_EQ(RegisterClassA(&wc), 0);  // once only
    HWIN dialog = os_LoadDlg(nullptr, nullptr, recording_proc, 0, 9001, nullptr);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].code, OS_MSG_INITDLG);
    EXPECT_EQ(os_script_window(dialog).text, "Test");
    EXPECT_FALSE(os_script_window(dialog).visible);  // until the procedure shows it
    EXPECT_EQ(GetWindowLongA(static_cast<HWND>(os_SubWin(dialog, 14)), 0), 7);  // WM_CREATE ran

    // 10,20 40x12 dialog units in a dialog 81 pixels high: 15 across, bottom edge 28 up.
    OS_POSITION p;
    ASSERT_TRUE(os_QueryWinPos(os_SubWin(dialog, 11), &p));
    EXPECT_EQ(p.x, 15);
    EXPECT_EQ(p.cx, 60);
    EXPECT_EQ(p.cy, 20);
    EXPECT_EQ(p.y, 28);
    OS_RECT client;
    ASSERT_TRUE(os_QueryWinClRect(dialog, &client));
    EXPECT_EQ(client.right, 150);
    EXPECT_EQ(client.top, 81);

    // An edit's new text is reported before os_SetWindowText returns; a label's is not.
    received.clear();
    HWIN edit = os_SubWin(dialog, 11);
    os_SetWindowText(edit, "abc");
    os_SetWindowText(os_SubWin(dialog, 10), "new label");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].code, OS_MSG_CONTROL);
    EXPECT_EQ(received[0].param1, (4u << 16) | 11u);
    EXPECT_EQ(os_script_window(edit).caret, 0u);

    // Typing: at the caret, up to the limit; a read-only edit takes nothing.
    os_ContrlMgr(edit, 0, OS_CM_CARET_TO_END, 0);
    os_ContrlMgr(edit, 0, OS_CM_PREPARE_EDIT, 0);
    EXPECT_EQ(os_script_type(edit, std::string(300, 'x').c_str()), 256);
    EXPECT_EQ(os_script_window(edit).text.size(), 259u);
    EXPECT_EQ(os_script_type(os_SubWin(dialog, 12), "y"), 0);

    // Clicks: a check box toggles and notifies, a disabled button does nothing.
    received.clear();
    EXPECT_EQ(os_script_click(os_SubWin(dialog, 13)), 1);
    EXPECT_TRUE(os_IsButtonChecked(os_SubWin(dialog, 13)));
    os_EnableWindow(os_SubWin(dialog, 1), 0);
    EXPECT_EQ(os_script_click(os_SubWin(dialog, 1)), 0);
    os_EnableWindow(os_SubWin(dialog, 1), 1);
    EXPECT_EQ(os_script_click(os_SubWin(dialog, 1)), 1);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].code, OS_MSG_CONTROL);
    EXPECT_EQ(received[1].code, OS_MSG_COMMAND);
    EXPECT_EQ(received[1].param1, 1u);

    // The loop delivers posted messages in order until the dialog is dismissed.
    received.clear();
    os_PostMsg(dialog, 0x401, 1, 0);
    os_PostMsg(dialog, 0x77, 2, 0);
    os_PostMsg(dialog, 0x402, 3, 0);
    EXPECT_EQ(os_ProcessDlg(dialog), 42);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].code, 0x77u);

    // Destruction: WM_DESTROY to the dialog, then neither it nor its controls exist.
    received.clear();
    EXPECT_EQ(os_DestroyWindow(dialog), 1);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0].code, 2u);
    EXPECT_EQ(os_SubWin(dialog, 11), nullptr);
    EXPECT_FALSE(os_script_window(edit).exists);
}

TEST_F(WindowLayer, LoopGivesUpWhenNothingHappensAndThreadsAreWaitedForOnce) {
    os_script_add_dialog(9002, OsDialogTemplate{});
    HWIN dialog = os_LoadDlg(nullptr, nullptr, recording_proc, 0, 9002, nullptr);
    ASSERT_NE(dialog, nullptr);
    os_script_set_process_timeout(50);
    EXPECT_EQ(os_ProcessDlg(dialog), -1);

    static std::atomic<bool> ran{false};
    const int id = os_CreateThread([](void*) { ran = true; }, nullptr);
    ASSERT_NE(id, 0);
    EXPECT_EQ(os_WaitThread(id), 1);
    EXPECT_TRUE(ran);
    EXPECT_EQ(os_WaitThread(id), 0);
    EXPECT_EQ(os_WaitThread(12345), 0);
    EXPECT_EQ(os_script_pending_threads(), 0);
}

}  // namespace
