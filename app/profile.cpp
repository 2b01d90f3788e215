#include "profile.h"


#include "app_strings.h"

namespace mirelo {

namespace {

constexpr const char* kRecentFileSection = "Recent File List";

QString Key(const char* section, const char* entry) {
    return QStringLiteral("%1/%2").arg(QLatin1String(section), QLatin1String(entry));
}

}  // namespace

Profile::Profile() : settings_(QString::fromLatin1(kRegistryKey), QString::fromLatin1(kAppTitle)) {}

void Profile::RedirectTo(const QString& folder) {
    // Both formats: which one a profile opened by name lands in differs by platform.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
}

std::string Profile::GetProfileString(const char* section, const char* entry) const {
    return settings_.value(Key(section, entry)).toString().toStdString();
}

void Profile::WriteProfileString(const char* section, const char* entry, const std::string& value) {
    settings_.setValue(Key(section, entry), QString::fromStdString(value));
    settings_.sync();
}

QStringList Profile::LoadRecentFiles() const {
    QStringList files;
    for (int slot = 1; slot <= kRecentFileCount; ++slot) {
        const QString file = settings_.value(Key(kRecentFileSection, "File%1").arg(slot)).toString();
        if (!file.isEmpty()) files.append(file);
    }
    return files;
}

void Profile::SaveRecentFiles(const QStringList& files) {
    settings_.remove(QLatin1String(kRecentFileSection));
    for (int slot = 1; slot <= files.size() && slot <= kRecentFileCount; ++slot) {
        settings_.setValue(Key(kRecentFileSection, "File%1").arg(slot), files.at(slot - 1));
    }
    settings_.sync();
}

}  // namespace mirelo
