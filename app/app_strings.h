#pragma once

#include <QString>

namespace mirelo {

// The texts the main window shows that are not menu labels.
inline constexpr const char* kAppTitle = "Mirelo";
inline constexpr const char* kIdleMessage = "Ready";
inline constexpr const char* kUntitled = "Untitled";

// The prompt string of a command: the status-line text, a newline, the tooltip.
// Empty for a command that has none.
QString CommandPromptString(int commandId);

// The part of the prompt string shown in the status line while the item is highlighted.
QString StatusPrompt(int commandId);
QString ToolTipText(int commandId);

}  // namespace mirelo
