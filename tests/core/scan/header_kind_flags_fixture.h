#pragma once

#include <gtest/gtest.h>

#include "scan/header_kinds.h"

namespace mirelo {

// The enabled flags are process-wide; tests that switch kinds off switch them all back on.
class HeaderKindFlagsTest : public ::testing::Test {
protected:
    ~HeaderKindFlagsTest() override {
        for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) SetKindEnabled(kind, true);
    }
};

}  // namespace mirelo
