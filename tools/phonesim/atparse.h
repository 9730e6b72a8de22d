#pragma once
// Splitting one AT command line ("AT+CMGF=1;+CPMS?") into its commands and a
// command's parameters into values.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace phonesim {

struct Command {
    enum Kind { Exec, Set, Read, Test };
    std::string name;  // upper case: "+CPBR", "^SQWE", "E", "&F", "D", "S0"
    Kind kind = Exec;
    std::string args;  // text after "=" (basic commands: the digits after the letter)
};

// Commands of a line that begins with "AT" (already removed). nullopt when the
// line cannot be split (an unclosed quote, a stray character).
std::optional<std::vector<Command>> splitCommandLine(std::string_view afterAt);

struct Param {
    bool quoted = false;
    std::string text;  // without the quotes
    bool empty() const { return !quoted && text.empty(); }
};

// "1,\"abc\",,5" -> 1 | "abc" | (empty) | 5. nullopt on an unclosed quote.
std::optional<std::vector<Param>> splitParams(std::string_view args);

// A decimal parameter; nullopt when it is not one.
std::optional<int> paramInt(const Param& p);

}  // namespace phonesim
