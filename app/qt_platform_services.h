#pragma once

#include <QStringList>

#include "platform_services.h"

namespace mirelo {

// The real dialogs, message boxes and editor, owned by the active window.
class QtPlatformServices : public PlatformServices {
public:
    std::optional<std::string> PickFolder(const QString& prompt,
                                          const std::string& initialFolder) override;
    std::optional<std::string> AskSavePath(const std::string& preload, bool partial) override;
    std::optional<SaveChoice> AskSaveAsPath(const std::string& preload) override;
    std::optional<std::string> AskOpenPath() override;
    void ShowMessage(const QString& text) override;
    SaveAnswer AskSaveChanges(const QString& documentTitle) override;
    std::string LocalAppDataFolder() override;
    bool OpenForEditing(const std::string& path) override;
    std::optional<QString> AskOwnAddresses(const QString& current) override;

private:
    static std::optional<SaveChoice> AskSaveChoice(const std::string& preload, const QString& title,
                                                   const QStringList& types);
};

}  // namespace mirelo
