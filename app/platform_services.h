#pragma once

#include <QString>

#include <optional>
#include <string>

#include "export/formats/export_format.h"

namespace mirelo {

// Every dialog, message box and hand-over to another program goes through here, so the
// window's tests can answer them without anything blocking or starting. Paths are bytes
// in the file system's encoding.
class PlatformServices {
public:
    enum class SaveAnswer { Yes, No, Cancel };

    virtual ~PlatformServices() = default;

    // The folder picker, with the prompt above the tree and initialFolder preselected.
    // Nothing when cancelled.
    virtual std::optional<std::string> PickFolder(const QString& prompt,
                                                  const std::string& initialFolder) = 0;
    // "Save list of unique email addresses", preloaded, asking before overwriting; its
    // title says when the list is partial, its extraction stopped.
    virtual std::optional<std::string> AskSavePath(const std::string& preload, bool partial) = 0;
    // Save As: the same dialog with a type list of every export format, the plain CSV first.
    virtual std::optional<SaveChoice> AskSaveAsPath(const std::string& preload) {
        std::optional<std::string> path = AskSavePath(preload, false);
        if (!path) return std::nullopt;
        return SaveChoice{*path};
    }
    // The framework's file dialog for Open, offering all files.
    virtual std::optional<std::string> AskOpenPath() = 0;
    // A message box with only an OK button.
    virtual void ShowMessage(const QString& text) = 0;
    // Whether to save the changes of a modified document before it goes.
    virtual SaveAnswer AskSaveChanges(const QString& documentTitle) = 0;
    // The user's local application-data folder; empty when it cannot be told.
    virtual std::string LocalAppDataFolder() = 0;
    // The user's own addresses, one a line, starting from current; nothing when cancelled.
    virtual std::optional<QString> AskOwnAddresses(const QString& current) = 0;
    // Opens a written file in the user's editor; false when no application took it.
    virtual bool OpenForEditing(const std::string& path) = 0;
};

// The prompt's two lines, the chosen folder in outPath; true only when a folder with a
// non-empty path was chosen.
bool BrowseForFolder(PlatformServices& platform, const QString& prompt, std::string& outPath,
                     const std::string& initialFolder);

}  // namespace mirelo
