#pragma once

#include <QSettings>
#include <QStringList>

#include <string>

namespace mirelo {

// The per-user profile: the organisation key and the application name select the place
// (on Windows the registry key HKCU\Software\<key>\Mirelo). Entries are byte strings;
// a missing one reads as empty.
class Profile {
public:
    static constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
    static constexpr int kRecentFileCount = 4;

    Profile();

    // Keeps every profile opened from now on in folder, away from the user's own: for
    // the tests, the benchmark and the screenshot.
    static void RedirectTo(const QString& folder);

    std::string GetProfileString(const char* section, const char* entry) const;
    void WriteProfileString(const char* section, const char* entry, const std::string& value);

    // The framework's recent-file list, newest first.
    QStringList LoadRecentFiles() const;
    void SaveRecentFiles(const QStringList& files);

private:
    QSettings settings_;
};

}  // namespace mirelo
