#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "base/native_path.h"
#include "base/path_parts.h"

namespace mirelo::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device random;
    do path_ = fs::temp_directory_path() / ("mirelo-test-" + std::to_string(random()));
    while (!fs::create_directory(path_));
}

TempDir::~TempDir() {
    std::error_code ignored;
    const fs::path native = NativePath(PathText(path_));  // "AUX.mbx" and "Box." as they are
    // Tests may leave folders without permissions behind; give them back first.
    for (auto it = fs::recursive_directory_iterator(native, fs::directory_options::skip_permission_denied, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::permissions(native, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(native, ignored);
}

std::string TempDir::Write(const std::string& relative, std::string_view bytes) const {
    const std::string file = PathText(path_ / fs::path(std::u8string(relative.begin(), relative.end())));
    fs::create_directories(NativePath(file).parent_path());
    std::ofstream out(NativePath(file), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', kPathSeparator);
    return path;
}

bool MakeLink(const std::string& target, const std::string& link, [[maybe_unused]] bool folder) {
#ifdef _WIN32
    return CreateSymbolicLinkW(NativePath(link).c_str(), NativePath(target).c_str(),
                               folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
#else
    std::error_code error;  // one call makes links to files and folders alike here
    fs::create_symlink(target, link, error);
    return !error;
#endif
}

}  // namespace mirelo::testing
