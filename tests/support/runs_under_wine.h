#pragma once

#ifdef _WIN32
#include <windows.h>

namespace mirelo::testing {

// Wine lacks what some checks need (access lists, the code pages real Windows loads from
// extra libraries, such as GB18030 and ISO-2022-JP); those checks are left to Windows.
inline bool RunsUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

}  // namespace mirelo::testing
#endif
