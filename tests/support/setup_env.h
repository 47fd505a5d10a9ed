// Test environment of the setup program on Linux: drives C: and D: mapped to
// temporary directories, a fresh SetupState, a scripted dialog window with the
// controls the worker reaches, message boxes answered and recorded, and an
// InstallUi that records statuses and percentages. Header-only, so that it
// needs nothing beyond the libraries each test program links.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/hostfile.h"
#include "platform/os_layer.h"
#include "platform/posix/os_script.h"
#include "platform/win32_shell.h"
#include "setup/install_ui.h"
#include "setup/setup_state.h"
#include "support/engine_run.h"
#include "support/run.h"
#include "support/zip_writer.h"

namespace tz {

// One message box as the layer received it.
struct Box {
    std::string caption;
    std::string text;
    int style = 0;
};

class SetupEnv {
public:
    TempDir c_drive;
    TempDir d_drive;
    HWIN dialog = nullptr;

    SetupEnv() {
        host_map_drive('C', c_drive.path().c_str());
        host_map_drive('D', d_drive.path().c_str());
        reset_setup_state();
        os_script_reset_windows();
        os_script_ini_clear();
        os_script_reset_sys_values();
        os_script_clear_assertions();
        posix_registry_clear();
        dialog = os_script_create_window(nullptr, 100, "TEV Install");
        for (int id : {ID_COPY_OPTIONS, ID_COPY_PHONE_BOOK, ID_COPY_SCRIPTS, ID_PROGRESS_BAR, ID_STATUS_LINE})
            os_script_create_window(dialog, id);
        S.dialog = dialog;
        os_script_set_answerer([this](HWIN owner, const char* caption, const char* text, int style) {
            std::lock_guard<std::mutex> guard(lock_);
            boxes_.push_back(Box{caption, text, style});
            owners_.push_back(owner);
            return answer_ ? answer_(text) : 0;
        });
        install_recording_ui();
    }

    ~SetupEnv() {
        os_script_join_threads();
        os_script_set_answerer(nullptr);
        set_install_ui(dialog_install_ui());
        reset_setup_state();
        os_script_reset_windows();
        host_map_drive('C', nullptr);
        host_map_drive('D', nullptr);
        host_map_drive('Z', nullptr);
    }

    SetupEnv(const SetupEnv&) = delete;
    SetupEnv& operator=(const SetupEnv&) = delete;

    // The answer os_MessageBox gives for a box text (1 = yes); default: 0.
    void answer_with(std::function<int(const std::string&)> answer) {
        std::lock_guard<std::mutex> guard(lock_);
        answer_ = std::move(answer);
    }

    std::vector<Box> boxes() {
        std::lock_guard<std::mutex> guard(lock_);
        return boxes_;
    }
    std::vector<HWIN> box_owners() {
        std::lock_guard<std::mutex> guard(lock_);
        return owners_;
    }
    std::vector<std::string> statuses() {
        std::lock_guard<std::mutex> guard(lock_);
        return statuses_;
    }
    std::vector<uint32_t> percents() {
        std::lock_guard<std::mutex> guard(lock_);
        return percents_;
    }
    int finished_count() {
        std::lock_guard<std::mutex> guard(lock_);
        return finished_;
    }

    // Host path of a Windows path on a mapped drive ("C:\NEW\X" -> ".../NEW/X").
    static std::string native(const std::string& windows_path) { return host_native_path(windows_path.c_str()); }

    // Runs `body` after the n-th status update (on the worker thread).
    void on_status(size_t n, std::function<void()> body) {
        std::lock_guard<std::mutex> guard(lock_);
        status_hook_at_ = n;
        status_hook_ = std::move(body);
    }

    // The recording view: statuses and percentages are recorded, the message
    // boxes and the end notice go through the dialog's own view (so through
    // os_MessageBox and os_PostMsg), and the check boxes are the dialog's.
    void install_recording_ui() {
        const InstallUi window = dialog_install_ui();
        InstallUi ui = window;
        ui.set_status = [this](const char* text) {
            std::function<void()> hook;
            {
                std::lock_guard<std::mutex> guard(lock_);
                statuses_.push_back(text);
                if (status_hook_ && statuses_.size() == status_hook_at_) hook = status_hook_;
            }
            if (hook) hook();
        };
        ui.set_percent = [this](uint32_t percent) {
            std::lock_guard<std::mutex> guard(lock_);
            percents_.push_back(percent);
        };
        ui.finished = [this, window] {
            {
                std::lock_guard<std::mutex> guard(lock_);
                ++finished_;
            }
            window.finished();
        };
        set_install_ui(ui);
    }

private:
    std::mutex lock_;
    std::vector<Box> boxes_;
    std::vector<HWIN> owners_;
    std::vector<std::string> statuses_;
    std::vector<uint32_t> percents_;
    int finished_ = 0;
    std::function<int(const std::string&)> answer_;
    size_t status_hook_at_ = 0;
    std::function<void()> status_hook_;
};

// A shell link read back from its file.
struct LinkFile {
    bool valid = false;
    uint32_t flags = 0;
    int32_t icon_index = 0;
    std::string path, description, working_directory, arguments, icon_path;
};

inline LinkFile read_link_file(const std::string& native_path) {
    LinkFile link;
    if (!file_exists(native_path)) return link;
    const Bytes b = read_file(native_path);
    size_t pos = 0;
    const auto u16 = [&](size_t at) { return at + 2 <= b.size() ? uint32_t(b[at] | (b[at + 1] << 8)) : 0u; };
    const auto u32 = [&](size_t at) { return at + 4 <= b.size() ? u16(at) | (u16(at + 2) << 16) : 0u; };
    static const uint8_t clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    if (b.size() < 0x4C || u32(0) != 0x4C || !std::equal(clsid, clsid + 16, b.begin() + 4)) return link;
    link.flags = u32(20);
    link.icon_index = static_cast<int32_t>(u32(56));
    pos = 0x4C;
    if (link.flags & 0x01) pos += 2 + u16(pos);  // target id list
    if (link.flags & 0x02) {
        const size_t info = pos;
        const size_t base = info + u32(info + 16);
        for (size_t i = base; i < b.size() && b[i]; ++i) link.path += static_cast<char>(b[i]);
        pos = info + u32(info);
    }
    const auto string = [&](std::string& out) {
        const uint32_t n = u16(pos);
        pos += 2;
        for (uint32_t i = 0; i < n; ++i, pos += 2) {
            const uint32_t c = u16(pos);
            out += static_cast<char>(c < 0x100 ? c : '?');
        }
    };
    if (link.flags & 0x04) string(link.description);
    if (link.flags & 0x08) {
        std::string relative;
        string(relative);
    }
    if (link.flags & 0x10) string(link.working_directory);
    if (link.flags & 0x20) string(link.arguments);
    if (link.flags & 0x40) string(link.icon_path);
    link.valid = pos + 4 <= b.size() && u32(pos) == 0;
    return link;
}

}  // namespace tz
