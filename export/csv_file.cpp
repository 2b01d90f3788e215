#include "export/csv_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "sources/path_parts.h"

namespace mirelo {

namespace {

namespace fs = std::filesystem;

bool Put(std::FILE* out, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

// Pushes the bytes to the disk, where a full disk finally shows.
bool FlushToDisk(std::FILE* out) {
    if (std::fflush(out) != 0) return false;
#ifndef _WIN32
    if (fsync(fileno(out)) != 0 && errno != EINVAL && errno != EROFS) return false;
#endif
    return true;
}

std::string OpenFailure(const std::string& path) { return "Unable to open output file " + path; }

std::string WriteFailure(const std::string& path, int error) {
    return "Unable to write output file " + path + ": " + std::strerror(error);
}

// Writes the lines and closes the file; the failure text when anything went wrong.
CsvWriteResult WriteAndClose(std::FILE* out, const std::string& path, const AddressList& list) {
    CsvWriteResult result;
    result.uniqueCount = WriteCsvLines(out, list);
    bool ok = result.uniqueCount >= 0 && FlushToDisk(out);
    int error = errno;
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) return {false, 0, WriteFailure(path, error)};
    result.written = true;
    return result;
}

// A file beside the target that nobody else uses.
std::FILE* CreateSibling(const std::string& path, std::string& siblingPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        siblingPath = path + ".partial" + std::to_string(attempt);
        if (std::FILE* out = std::fopen(siblingPath.c_str(), "wbx")) return out;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

CsvWriteResult ReplaceRegularFile(const std::string& path, const AddressList& list, bool exists) {
    std::string partialPath;
    std::FILE* out = CreateSibling(path, partialPath);
    if (!out) return {false, 0, OpenFailure(path)};

    CsvWriteResult result = WriteAndClose(out, path, list);
    std::error_code error;
    if (result.written) {
        if (exists) fs::permissions(partialPath, fs::status(path, error).permissions(), error);
        fs::rename(partialPath, path, error);
        if (error) result = {false, 0, OpenFailure(path) + ": " + error.message()};
    }
    if (!result.written) fs::remove(partialPath, error);
    return result;
}

}  // namespace

int WriteCsvLines(std::FILE* out, const AddressList& list) {
    if (!Put(out, "email,name,notes\r\n")) return -1;
    int lines = 0;
    std::string line;
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& record = *list.At(i);
        if (record.duplicate || record.deleted) continue;
        line.assign(record.email).append(",").append(record.name).append(",").append(record.mailbox.str()).append("\r\n");
        if (!Put(out, line)) return -1;
        ++lines;
    }
    return lines;
}

CsvWriteResult WriteCsvFile(const std::string& path, const AddressList& list) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    const bool exists = fs::exists(status);
    if (!exists || fs::is_regular_file(status)) return ReplaceRegularFile(path, list, exists);

    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return {false, 0, OpenFailure(path)};
    return WriteAndClose(out, path, list);
}

std::string WithCsvExtension(const std::string& path) {
    PathParts parts = SplitPath(path);
    if (parts.extension.empty()) parts.extension = ".CSV";
    return JoinPath(parts);
}

std::string CsvTargetFor(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    const bool special = fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
    return special ? path : WithCsvExtension(path);
}

std::string CountsText(int original, int unique) {
    return std::to_string(original) + " original email addresses, " + std::to_string(unique) + " unique";
}

}  // namespace mirelo
