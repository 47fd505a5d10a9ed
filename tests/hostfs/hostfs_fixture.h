// A fixture for the host-layer tests: a fresh temporary directory as the current
// directory, the engine state of one member, and the volume overrides off.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>

#include "engine/globals.h"
#include "hostfs/mapname.h"
#include "platform/hostfile.h"
#include "platform/test_hooks.h"
#include "support/engine_run.h"
#include "support/run.h"

namespace hostfs_test {

class HostFsTest : public ::testing::Test {
protected:
    void SetUp() override {
        cwd_.emplace(tmp_.path());
        G.freshen = G.junk_paths = G.quiet_level = G.spaces_to_underscore = 0;
        G.volume_label_level = G.keep_versions = G.to_stdout = 0;
        G.create_dirs = true;
        G.out_file = nullptr;
        G.cur = &member_;
        host_test_fat_names(0);
        host_test_removable_drives(0);
        drop_root();
    }

    void TearDown() override {
        drop_root();
        G.cur = nullptr;
        G.spaces_to_underscore = G.volume_label_level = G.keep_versions = 0;
        host_test_fat_names(-1);
        host_test_removable_drives(-1);
        host_map_drive('C', nullptr);
        cwd_.reset();
    }

    // Runs mapname on a stored name with the streams captured.
    tz::EngineRun map(const std::string& stored) {
        G.member_name = stored;
        return tz::capture_streams([] { return mapname(0); });
    }

    // Sets the extraction root with the streams captured.
    tz::EngineRun root(const char* dir) {
        return tz::capture_streams([dir] { return set_root(dir); });
    }

    static bool is_dir(const std::string& path) {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    tz::TempDir tmp_;
    std::optional<tz::ScopedCwd> cwd_;
    MemberInfo member_;
};

}  // namespace hostfs_test
