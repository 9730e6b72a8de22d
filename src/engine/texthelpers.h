#pragma once
// String helpers with which the windows cut the engine's answer lines apart.
// Byte strings, positions from 1 in the descriptions; each returns a new text.
// Their behaviour at the edges is relied on by the parsers: an absent
// separator makes CopyUptoChars return the whole text but CopyFromChars
// nothing; StripBegChars keeps one character, StripEndChars may empty a text.

#include <optional>
#include <string>

namespace td {

std::string StripBegChars(const std::string& s, char c);
std::string StripEndChars(const std::string& s, char c);
std::string ChangeChar(const std::string& s, char c, char n);
std::string CopyUptoChars(const std::string& s, char c);
std::string CopyFromChars(const std::string& s, char c);
std::string CopyFromSubstr(const std::string& s, const std::string& p);
std::string InsertNumber(const std::string& tmpl, const std::string& number);

// A whole decimal number (optional sign, digits only) that fits in 64 bits.
std::optional<long long> parseWhole(const std::string& text);

}  // namespace td
