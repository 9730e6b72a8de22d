#pragma once
// A cursor over the fields of one answer line, such as
//   +CPBR: 3,"+79161234567",145,"Ann"   or   +CIND: ("battchg",(0-5)),("signal",(0-5))
// Each call reads the next field and moves past it and the comma after it;
// blanks around fields are skipped. A field that is not what was asked for
// is a failed read (an empty optional or false) and leaves the cursor where
// it was, so a parser can try another reading of the same field.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td {

class FieldCursor {
  public:
    explicit FieldCursor(std::string_view line) : line_(line) {}

    // Moves past prefix (":" and blanks after it included when there), e.g.
    // "+CPBR:"; false when the line does not start with it.
    bool skipPrefix(std::string_view prefix);

    // A quoted field: the text between the quotes, without them.
    std::optional<std::string> string();
    // An unquoted whole number (optional sign).
    std::optional<long long> number();
    // An unquoted field up to the next comma or closing bracket, blanks
    // trimmed; may be empty (",,").
    std::optional<std::string> token();
    // The next field whether quoted or not, as text.
    std::optional<std::string> text();
    // "(" opening a list; ")" closing it (and the comma after it).
    bool openList();
    bool closeList();
    // Moves past one field of any kind, a whole list included.
    bool skip();
    // The field as the phone wrote it, up to the next comma, blanks and
    // quotes kept; with honourQuotes a comma between double quotes belongs to
    // the field. After a last comma one empty field is left; nothing once
    // the line is used up.
    std::optional<std::string> raw(bool honourQuotes = false);

    bool atEnd() const;
    // Another field follows: the line goes on, or the field read last ended
    // with a comma (an empty last field follows it).
    bool moreFields() const;
    // What is left of the line.
    std::string_view rest() const { return line_.substr(pos_); }

  private:
    void skipBlanks();
    void finishField();  // blanks, then one comma if there
    std::string_view line_;
    size_t pos_ = 0;
    bool rawEnded_ = false;  // raw() gave the line's last field
};

// Every raw field of text: at least one, an empty text giving one empty field.
std::vector<std::string> rawFields(std::string_view text, bool honourQuotes);

// The text between a field's first double quote and the next one (to the end
// when there is no second one); the field itself when it has no quote.
std::string betweenQuotes(std::string_view field);
// The field without its outer pair of double quotes when it begins and ends
// with one; otherwise the field itself.
std::string outerQuotes(std::string_view field);

// The character set a "+CSCS: \"UCS2\"" answer names. Some phones leave the
// name unquoted; its first field is read as written (quotes honoured),
// blanks around it and an outer pair of quotes dropped.
struct CharsetName {
    std::string name;     // may be empty: the answer names nothing
    bool quoted = false;  // written between double quotes
    bool alone = false;   // no further field after it
};
// The fields after "+CSCS:" (or after "AT+CSCS=").
CharsetName charsetName(std::string_view fields);
// A whole answer line: prefix (the phone's own, matched as written), ":",
// the name; none when the line is no such answer.
std::optional<CharsetName> charsetAnswer(std::string_view line, std::string_view prefix = "+CSCS");

}  // namespace td
