#pragma once

#include <optional>
#include <string>

#include "base/result.h"
#include "scan/text_mode_reader.h"

namespace mirelo {

// What a store's damage cost a dump, in one line; none for a sound store written in full.
using DumpDamage = std::optional<std::string>;

// Writes every message of the store that has a text, in tree order, into a file of the
// run's own at ownPath: "___Message___ : " i CR LF, then the text up to its first NUL; a
// marker always starts a line, and a text that breaks off gives only its complete lines.
// The file is emptied first; stores without messages and files of other kinds leave it
// empty. The problems name the temporary file the user knows, shownPath, beside which it
// lies. A watch, when given, sees the messages dumped of the store's count before each one
// and may end the dump there.
// Gives what the store's damage cost, in one line, also when the file could be written only
// in part and its complete lines were kept; fails when the store cannot be opened, or with
// FailureCode::TemporaryFile when the file cannot be written at all.
Result<DumpDamage> DumpDbxToText(const std::string& storePath, const std::string& ownPath,
                                  const std::string& shownPath, const ReadWatch& watch = {});

}  // namespace mirelo
