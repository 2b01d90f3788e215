#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace mirelo {

// An immutable text that copies share. Every record of one mailbox carries the same
// label, so a million records hold a few hundred label strings rather than a million.
class SharedText {
public:
    SharedText() = default;
    SharedText(std::string text) : text_(std::make_shared<const std::string>(std::move(text))) {}
    SharedText(const char* text) : SharedText(std::string(text)) {}

    const std::string& str() const { return text_ ? *text_ : Empty(); }
    operator const std::string&() const { return str(); }
    operator std::string_view() const { return str(); }

    const char* data() const { return str().data(); }
    const char* c_str() const { return str().c_str(); }
    std::size_t size() const { return str().size(); }
    bool empty() const { return str().empty(); }

    friend bool operator==(const SharedText& a, std::string_view b) { return a.str() == b; }
    friend std::ostream& operator<<(std::ostream& out, const SharedText& text) { return out << text.str(); }

private:
    static const std::string& Empty() {
        static const std::string empty;
        return empty;
    }

    std::shared_ptr<const std::string> text_;
};

}  // namespace mirelo
