// The Linux portability layer: thread contexts, the system values and the
// profile store that the hosting program gives it, and assertion reports.
#include <gtest/gtest.h>

#include <string>

#include "platform/os_layer.h"
#include "platform/posix/os_values.h"
#include "support/engine_run.h"

namespace {

TEST(OsLayer, SystemValuesProfileContextsAndAssertions) {
    posix_reset_values();
    EXPECT_EQ(os_QuerySysValue(OS_SV_PLATFORM), OS_PLATFORM_NT);
    EXPECT_EQ(os_QuerySysValue(OS_SV_VERSION), 400);
    posix_set_sys_value(OS_SV_VERSION, 351);
    EXPECT_EQ(os_QuerySysValue(OS_SV_VERSION), 351);

    char buffer[8];
    uint32_t size = sizeof buffer;
    EXPECT_EQ(os_IniMgr(OS_INI_QUERY, 0, "Tevanet ", "HomePath", buffer, &size), 0);
    posix_set_profile_value("Tevanet ", "HomePath", "C:\\TEV\\LONGER");
    size = sizeof buffer;
    EXPECT_NE(os_IniMgr(OS_INI_QUERY, 0, "Tevanet ", "HomePath", buffer, &size), 0);
    EXPECT_STREQ(buffer, "C:\\TEV\\");  // cut to the buffer, terminated
    EXPECT_EQ(size, 7u);
    size = sizeof buffer;
    EXPECT_EQ(os_IniMgr(OS_INI_QUERY, 0, "Tevanet", "HomePath", buffer, &size), 0);  // no trailing blank
    posix_reset_values();
    EXPECT_EQ(os_QuerySysValue(OS_SV_VERSION), 400);
    EXPECT_EQ(os_IniMgr(OS_INI_QUERY, 0, "Tevanet ", "HomePath", buffer, &size), 0);

    OS_THREADCTX context;
    EXPECT_EQ(os_CleanupWinThread(&context), 0);  // never initialised
    EXPECT_EQ(os_InitWinThread(&context, 0, 0), 1);
    EXPECT_EQ(os_CleanupWinThread(&context), 1);
    EXPECT_EQ(os_CleanupWinThread(&context), 0);

    const tz::EngineRun run = tz::capture_streams([] {
        os_AssertMsg("x != 0", "imisc", 12);
        return 0;
    });
    EXPECT_EQ(run.err, "assertion failed: x != 0, file imisc, line 12\n");
}

}  // namespace
