#include "base/result.h"

namespace mirelo {

const std::error_category& FailureCategory() {
    static const class : public std::error_category {
    public:
        const char* name() const noexcept override { return "mirelo"; }
        std::string message(int code) const override {
            return code == static_cast<int>(FailureCode::TemporaryFile) ? "the temporary file cannot be written"
                                                                       : "unknown failure";
        }
    } category;
    return category;
}

}  // namespace mirelo
