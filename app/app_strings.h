#pragma once

namespace mirelo {

// The texts the main window shows that are not menu labels.
inline constexpr const char* kAppTitle = "Mirelo";
inline constexpr const char* kIdleMessage = "Ready";
inline constexpr const char* kUntitled = "Untitled";

}  // namespace mirelo
