#include "base/result.h"

namespace mirelo {

const std::error_category& FailureCategory() {
    static const class : public std::error_category {
    public:
        const char* name() const noexcept override { return "mirelo"; }
        std::string message(int code) const override {
            switch (static_cast<FailureCode>(code)) {
                case FailureCode::TemporaryFile: return "the temporary file cannot be written";
                case FailureCode::Shortened: return "the file was shortened while it was read";
            }
            return "unknown failure";
        }
    } category;
    return category;
}

}  // namespace mirelo
