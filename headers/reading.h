#pragma once

#include "scan/header_kinds.h"

namespace mirelo {

// How a message's header lines become records. The original line rule is the only one
// yet; each store kind cuts its messages for whichever rule reads them.
enum class ReadingRules { Original };

// What an extraction reads of each message.
struct Reading {
    HeaderKindSet kinds = HeaderKindSet::Original();
    ReadingRules rules = ReadingRules::Original;
};

}  // namespace mirelo
