#include "engine/texthelpers.h"

#include <limits>

#include "engine/settings.h"

namespace td {

std::string StripBegChars(const std::string& s, char c) {
    // At most length - 1 characters go: a text of nothing but C keeps one.
    size_t k = 0;
    while (k + 1 < s.size() && s[k] == c) ++k;
    return s.substr(k);
}

std::string StripEndChars(const std::string& s, char c) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == c) --n;
    return s.substr(0, n);
}

std::string ChangeChar(const std::string& s, char c, char n) {
    std::string out = s;
    for (char& ch : out)
        if (ch == c) ch = n;
    return out;
}

std::string CopyUptoChars(const std::string& s, char c) {
    if (s.empty()) return {};
    if (s.size() == 1) return s[0] == c ? std::string() : s;
    size_t p = s.find(c);
    return p == std::string::npos ? s : s.substr(0, p);
}

std::string CopyFromChars(const std::string& s, char c) {
    size_t p = s.find(c);
    if (p == std::string::npos || p + 1 >= s.size()) return {};
    return s.substr(p + 1);
}

std::string CopyFromSubstr(const std::string& s, const std::string& p) {
    if (p.size() == 1) return CopyFromChars(s, p[0]);
    if (p.empty()) return s;
    size_t at = s.find(p);
    return at == std::string::npos ? s : s.substr(at + p.size());
}

std::string InsertNumber(const std::string& tmpl, const std::string& number) {
    if (tmpl.find(NumberMarkChar) == std::string::npos) return tmpl;
    return CopyUptoChars(tmpl, NumberMarkChar) + number + CopyFromChars(tmpl, NumberMarkChar);
}

std::optional<long long> parseWhole(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    // Accumulate towards the negative side so that the smallest value fits too.
    long long value = 0;
    const long long lowest = std::numeric_limits<long long>::min();
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        int digit = c - '0';
        if (value < (lowest + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == lowest) return std::nullopt;
        value = -value;
    }
    return value;
}

}  // namespace td
