#pragma once
// Phone numbers as the program stores and sends them, and as it compares
// them. No widgets.

#include <optional>
#include <string>

namespace td {

// A number as typed or read ("8 (916) 555-44-33", "+7.916.555.44.33") in the
// form the phone dials: "+", digits, "*" and "#" are kept, blanks, tabs,
// dashes, brackets and dots dropped. Nothing when any other character stands
// in it, a "+" stands elsewhere than at its start or after a "*" (a number
// inside a service code), or no digit, "*" or "#" is left.
std::optional<std::string> normalizePhoneNumber(const std::string& number);

// The key under which two numbers are the same subscriber: the normalised
// number, an 11-digit Russian number written "8…", "7…" or "+7…" as "+7…".
// A text that is no number (an alphanumeric sender such as "MTS") is its own
// key, compared whole.
std::string phoneMatchKey(const std::string& number);

}  // namespace td
