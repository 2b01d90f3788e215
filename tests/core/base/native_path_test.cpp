#include "base/native_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace mirelo {
namespace {

#ifdef _WIN32
// Every path is opened in the long form, which the system takes as written: so the form
// is made absolute by hand, keeping the names' trailing dots and spaces and device names.
TEST(NativePath, PathsTakeTheLongFormOfTheirAbsolutePathWithNamesAsWritten) {
    const std::string name(250, 'n');
    const std::wstring wideName(250, L'n');
    const std::wstring current = std::filesystem::current_path().native();
    struct Case { std::string path; std::wstring expected; };
    const Case cases[] = {
        {"C:\\Mail\\In.mbx", L"\\\\?\\C:\\Mail\\In.mbx"},
        {"C:/Mail/" + name + "/./x/../In.mbx", L"\\\\?\\C:\\Mail\\" + wideName + L"\\In.mbx"},
        {"\\\\server\\share\\" + name + "\\In.mbx", L"\\\\?\\UNC\\server\\share\\" + wideName + L"\\In.mbx"},
        {"C:\\Почта\\" + name, L"\\\\?\\C:\\\x041F\x043E\x0447\x0442\x0430\\" + wideName},
        {"C:\\Old.\\Box \\\\AUX.mbx", L"\\\\?\\C:\\Old.\\Box \\AUX.mbx"},
        {"C:\\..\\Mail\\", L"\\\\?\\C:\\Mail"},
        {"Mail\\Old.", L"\\\\?\\" + current + L"\\Mail\\Old."},
        {"\\Mail", L"\\\\?\\" + current.substr(0, 2) + L"\\Mail"},
        {"\\\\?\\C:\\a\\..", L"\\\\?\\C:\\a\\.."},
        {"NUL", L"NUL"},
        {"com1", L"com1"},
    };
    for (const Case& c : cases) EXPECT_EQ(NativePath(c.path).native(), c.expected) << c.path;
    EXPECT_EQ(AbsolutePath("Mail/Old."), PathText(current) + "\\Mail\\Old.");
    EXPECT_EQ(AbsoluteIfDriveRelative(PathText(current).substr(0, 2) + "Old.\\"), PathText(current) + "\\Old.\\");
}
#endif

}  // namespace
}  // namespace mirelo
