#pragma once

#include <string>

namespace mirelo {

// outlook_temp.mbx in the folder named by TEMP, else TMP, else (not on Windows) TMPDIR,
// else in the system's temporary folder (on Windows the current folder).
std::string TemporaryDumpPath();

// A path beside dumpPath that no other dump of this process or another one uses.
std::string PrivateDumpPath(const std::string& dumpPath);

}  // namespace mirelo
