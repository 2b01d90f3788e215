#include "platform_services.h"

namespace mirelo {

bool BrowseForFolder(PlatformServices& platform, const QString& prompt, std::string& outPath,
                     const std::string& initialFolder) {
    const std::optional<std::string> chosen = platform.PickFolder(prompt, initialFolder);
    if (!chosen || chosen->empty()) return false;
    outPath = *chosen;
    return true;
}

}  // namespace mirelo
