// Test environment of the setup program on Linux: drives C: and D: mapped to
// temporary directories, a fresh SetupState and system values, and an
// InstallUi that records every status, percentage, message box and end notice
// and answers the questions as the test says. Header-only, so that it needs
// nothing beyond the libraries each test program links.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "migration/path_settings.h"
#include "platform/hostfile.h"
#include "platform/posix/os_values.h"
#include "platform/shell.h"
#include "setup/install_ui.h"
#include "setup/install_worker.h"
#include "setup/setup_state.h"
#include "support/engine_run.h"
#include "support/run.h"
#include "support/zip_writer.h"

namespace tz {

// One message box as the user saw it.
enum class BoxKind { info, error, ask };
struct Box {
    BoxKind kind = BoxKind::info;
    std::string text;
};

class SetupEnv {
public:
    TempDir c_drive;
    TempDir d_drive;

    SetupEnv() {
        host_map_drive('C', c_drive.path().c_str());
        host_map_drive('D', d_drive.path().c_str());
        reset_setup_state();
        posix_reset_values();
        install_recording_ui();
    }

    ~SetupEnv() {
        set_install_ui(InstallUi{});
        reset_setup_state();
        posix_reset_values();
        host_map_drive('C', nullptr);
        host_map_drive('D', nullptr);
        host_map_drive('Z', nullptr);
    }

    SetupEnv(const SetupEnv&) = delete;
    SetupEnv& operator=(const SetupEnv&) = delete;

    // The answer to a question by its text (true = yes); default: no.
    void answer_with(std::function<bool(const std::string&)> answer) {
        std::lock_guard<std::mutex> guard(lock_);
        answer_ = std::move(answer);
    }

    // Forgets what was recorded so far (for the next run of a test).
    void clear_records() {
        std::lock_guard<std::mutex> guard(lock_);
        boxes_.clear();
        statuses_.clear();
        percents_.clear();
        finished_ = 0;
    }

    std::vector<Box> boxes() {
        std::lock_guard<std::mutex> guard(lock_);
        return boxes_;
    }
    std::vector<std::string> box_texts() {
        std::vector<std::string> texts;
        for (const Box& b : boxes()) texts.push_back(b.text);
        return texts;
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

    // The recording view; the copy check boxes are enabled as the dialog
    // enables them for the state's paths.
    void install_recording_ui() {
        InstallUi ui;
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
        ui.option_enabled = [](int id) { return copy_box_enabled(copy_choices(S), id); };
        ui.info = [this](const char* text) { record(BoxKind::info, text); };
        ui.error = [this](const char* text) { record(BoxKind::error, text); };
        ui.ask = [this](const char* text) {
            record(BoxKind::ask, text);
            std::lock_guard<std::mutex> guard(lock_);
            return answer_ ? answer_(text) : false;
        };
        ui.finished = [this] {
            std::lock_guard<std::mutex> guard(lock_);
            ++finished_;
        };
        set_install_ui(ui);
    }

    // Runs the Install sequence with the worker on its own thread, as the
    // dialog does, until the worker ends.
    void run_worker_thread() {
        std::thread worker;
        start_installation([&worker] {
            worker = std::thread(install_worker, nullptr);
            return true;
        });
        if (worker.joinable()) worker.join();
    }

private:
    void record(BoxKind kind, const char* text) {
        std::lock_guard<std::mutex> guard(lock_);
        boxes_.push_back(Box{kind, text});
    }

    std::mutex lock_;
    std::vector<Box> boxes_;
    std::vector<std::string> statuses_;
    std::vector<uint32_t> percents_;
    int finished_ = 0;
    std::function<bool(const std::string&)> answer_;
    size_t status_hook_at_ = 0;
    std::function<void()> status_hook_;
};

// A shortcut read back from its record on drive C: (link_path left empty);
// `valid` is false when the file is missing or not a record.
struct ShortcutFile {
    bool valid = false;
    Shortcut shortcut;
};
inline ShortcutFile read_shortcut(const std::string& native_path) {
    ShortcutFile file;
    if (file_exists(native_path)) file.valid = read_shortcut_record(read_text(native_path), file.shortcut);
    return file;
}

// The Programs folder of the Linux shell, on the mapped drive C:.
inline std::string programs_folder_native() { return host_native_path(SHELL_PROGRAMS_FOLDER); }

}  // namespace tz
