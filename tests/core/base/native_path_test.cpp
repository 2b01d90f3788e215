#include "base/native_path.h"

#include <gtest/gtest.h>

#include <string>

namespace mirelo {
namespace {

#ifdef _WIN32
// Past 260 characters the system opens a path only in its long form, which it takes
// as written: so the form is made from the cleaned-up full path.
TEST(NativePath, LongPathsTakeTheLongFormOfTheirFullPath) {
    const std::string name(250, 'n');
    const std::wstring wideName(250, L'n');
    struct Case { std::string path; std::wstring expected; };
    const Case cases[] = {
        {"C:\\Mail\\In.mbx", L"C:\\Mail\\In.mbx"},
        {"C:/Mail/" + name + "/./x/../In.mbx", L"\\\\?\\C:\\Mail\\" + wideName + L"\\In.mbx"},
        {"\\\\server\\share\\" + name + "\\In.mbx", L"\\\\?\\UNC\\server\\share\\" + wideName + L"\\In.mbx"},
        {"C:\\Почта\\" + name, L"\\\\?\\C:\\\x041F\x043E\x0447\x0442\x0430\\" + wideName},
    };
    for (const Case& c : cases) EXPECT_EQ(NativePath(c.path).native(), c.expected) << c.path;
}
#endif

}  // namespace
}  // namespace mirelo
