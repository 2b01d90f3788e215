#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

#include "sources/dbx/temporary_dump_path.h"
#include "support/scoped_env.h"

namespace mirelo::testing {
namespace {

TEST(TemporaryDumpPath, FollowsTempThenTmpThenTmpdirOutsideWindowsThenTheSystemsFolder) {
    // TEMP, TMP and TMPDIR, and the path they give.
    const struct { std::array<std::optional<std::string>, 3> temps; std::string expected; } cases[] = {
#ifdef _WIN32
        {{"C:\\Temp", "D:\\Tmp", "C:\\Other"}, "C:\\Temp\\outlook_temp.mbx"},
        {{"C:\\Users\\José\\Иван", std::nullopt, std::nullopt},  // beyond the ANSI code page
         "C:\\Users\\José\\Иван\\outlook_temp.mbx"},
        {{std::nullopt, "D:\\Tmp", "C:\\Other"}, "D:\\Tmp\\outlook_temp.mbx"},
        {{"C:\\Temp\\", std::nullopt, "C:\\Other"}, "C:\\Temp\\\\outlook_temp.mbx"},
        {{std::nullopt, std::nullopt, "C:\\Other"}, "outlook_temp.mbx"},
#else
        {{"/var/tmp/user", "/tmp", "/other"}, "/var/tmp/user/outlook_temp.mbx"},
        // A separator is always appended, as on Windows; the doubled one does no harm.
        {{"/var/tmp/user/", std::nullopt, std::nullopt}, "/var/tmp/user//outlook_temp.mbx"},
        {{std::nullopt, std::nullopt, "/run/user/1000"}, "/run/user/1000/outlook_temp.mbx"},
        {{std::nullopt, std::nullopt, std::nullopt}, "/tmp/outlook_temp.mbx"},
        {{"", "/tmp/only", "/other"}, "/tmp/only/outlook_temp.mbx"},  // empty names no folder
#endif
    };
    for (const auto& c : cases) {
        const ScopedEnv temp("TEMP", c.temps[0]), tmp("TMP", c.temps[1]), tmpdir("TMPDIR", c.temps[2]);
        EXPECT_EQ(TemporaryDumpPath(), c.expected);
    }
}

}  // namespace
}  // namespace mirelo::testing
