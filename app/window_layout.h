#pragma once

namespace mirelo {

class MainWindow;
class Profile;

// The window's place and size and the list's column widths, kept in the profile from one
// run to the next, saved as the program ends. The place is restored before the window is
// laid out, the widths after the list's initial update.
void RestoreWindowPlace(const Profile& profile, MainWindow& window);
void RestoreColumnWidths(const Profile& profile, MainWindow& window);
void SaveWindowLayout(Profile& profile, const MainWindow& window);

}  // namespace mirelo
