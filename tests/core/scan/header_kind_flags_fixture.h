#pragma once

#include <gtest/gtest.h>

#include <array>

#include "scan/header_kinds.h"

namespace mirelo {

// The enabled flags are process-wide; tests that switch kinds off give them back.
class HeaderKindFlagsTest : public ::testing::Test {
protected:
    HeaderKindFlagsTest() {
        for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) saved_[static_cast<std::size_t>(kind)] = IsKindEnabled(kind);
    }
    ~HeaderKindFlagsTest() override {
        for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) SetKindEnabled(kind, saved_[static_cast<std::size_t>(kind)]);
    }

private:
    std::array<bool, kHeaderKindCount> saved_{};
};

}  // namespace mirelo
