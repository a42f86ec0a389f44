// Field access on one reply from the radio: 1-based positions counted from the first letter of
// the prefix, and the numeric reading rule. Replies can be short or malformed; every accessor
// tolerates that, so no family handler ever indexes past the end of a reply.
#pragma once

#include <string>
#include <string_view>

namespace vexalo {

// Decimal reading that stops at the first character that is not part of a number and yields 0
// when there is none: "05" reads 5, ";" reads 0, "+12" reads 12.
long readNumber(std::string_view text);

// True for the digits "1" to "9". A reply field that should hold a digit but holds anything
// else never counts as above zero, so garbage is never spoken as if it were a digit.
bool isNonZeroDigit(std::string_view c);

class Reply {
public:
    explicit Reply(std::string_view text) : m_text(text) { }

    // Characters pos .. pos+len-1 (1-based), or whatever part of that range exists.
    std::string field(int pos, int len) const;
    std::string at(int pos) const { return field(pos, 1); }
    long number(int pos, int len) const { return readNumber(field(pos, len)); }

    std::string_view text() const { return m_text; }
    int size() const { return static_cast<int>(m_text.size()); }

private:
    std::string_view m_text;
};

} // namespace vexalo
