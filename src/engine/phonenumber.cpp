#include "engine/phonenumber.h"

namespace td {

std::optional<std::string> normalizePhoneNumber(const std::string& number) {
    std::string out;
    out.reserve(number.size());
    bool dialable = false;
    for (char c : number) {
        if (c == ' ' || c == '\t' || c == '-' || c == '(' || c == ')' || c == '.') continue;
        bool digit = c >= '0' && c <= '9';
        if (!digit && c != '+' && c != '*' && c != '#') return std::nullopt;
        // A "+" begins a number, or a number inside a service code (**21*+7…#).
        if (c == '+' && !out.empty() && out.back() != '*') return std::nullopt;
        dialable = dialable || c != '+';
        out += c;
    }
    if (!dialable) return std::nullopt;
    return out;
}

std::string phoneMatchKey(const std::string& number) {
    std::optional<std::string> n = normalizePhoneNumber(number);
    if (!n) return number;
    const std::string& s = *n;
    auto allDigits = [](const std::string& t, std::size_t from) {
        for (std::size_t i = from; i < t.size(); ++i)
            if (t[i] < '0' || t[i] > '9') return false;
        return true;
    };
    if (s.size() == 11 && (s[0] == '8' || s[0] == '7') && allDigits(s, 0))
        return "+7" + s.substr(1);
    return s;
}

}  // namespace td
