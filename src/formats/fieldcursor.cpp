#include "formats/fieldcursor.h"

#include "engine/texthelpers.h"
#include "platform/cp1251.h"

namespace td {

namespace {
// What a phone may leave after a line's last field: blanks and the line end.
bool trailing(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
}  // namespace

void FieldCursor::skipBlanks() {
    while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
}

void FieldCursor::finishField() {
    skipBlanks();
    if (pos_ < line_.size() && line_[pos_] == ',') ++pos_;
}

bool FieldCursor::atEnd() const {
    size_t i = pos_;
    while (i < line_.size() && trailing(line_[i])) ++i;
    return i == line_.size();
}

bool FieldCursor::moreFields() const {
    return !rawEnded_ && (!atEnd() || (pos_ > 0 && line_[pos_ - 1] == ','));
}

bool FieldCursor::skipPrefix(std::string_view prefix) {
    if (!line_.substr(pos_).starts_with(prefix)) return false;
    pos_ += prefix.size();
    if (pos_ < line_.size() && line_[pos_] == ':') ++pos_;
    skipBlanks();
    return true;
}

std::optional<std::string> FieldCursor::string() {
    const size_t start = pos_;
    skipBlanks();
    if (pos_ >= line_.size() || line_[pos_] != '"') {
        pos_ = start;
        return std::nullopt;
    }
    const size_t close = line_.find('"', pos_ + 1);
    if (close == std::string_view::npos) {
        pos_ = start;
        return std::nullopt;
    }
    std::string out(line_.substr(pos_ + 1, close - pos_ - 1));
    pos_ = close + 1;
    finishField();
    return out;
}

std::optional<std::string> FieldCursor::token() {
    const size_t start = pos_;
    skipBlanks();
    if (pos_ < line_.size() && (line_[pos_] == '"' || line_[pos_] == '(')) {
        pos_ = start;
        return std::nullopt;
    }
    size_t end = pos_;
    while (end < line_.size() && line_[end] != ',' && line_[end] != ')') ++end;
    size_t last = end;
    while (last > pos_ && trailing(line_[last - 1])) --last;
    std::string out(line_.substr(pos_, last - pos_));
    pos_ = end;
    finishField();
    return out;
}

std::optional<long long> FieldCursor::number() {
    const size_t start = pos_;
    std::optional<std::string> t = token();
    std::optional<long long> n = t ? parseWhole(*t) : std::nullopt;
    if (!n) pos_ = start;
    return n;
}

std::optional<std::string> FieldCursor::text() {
    if (std::optional<std::string> s = string()) return s;
    return token();
}

bool FieldCursor::openList() {
    const size_t start = pos_;
    skipBlanks();
    if (pos_ < line_.size() && line_[pos_] == '(') {
        ++pos_;
        return true;
    }
    pos_ = start;
    return false;
}

bool FieldCursor::closeList() {
    const size_t start = pos_;
    skipBlanks();
    if (pos_ < line_.size() && line_[pos_] == ')') {
        ++pos_;
        finishField();
        return true;
    }
    pos_ = start;
    return false;
}

bool FieldCursor::skip() {
    const size_t start = pos_;
    if (openList()) {
        while (!closeList()) {
            if (atEnd() || !skip()) {
                pos_ = start;
                return false;
            }
        }
        return true;
    }
    if (string()) return true;
    skipBlanks();
    if (pos_ >= line_.size() || line_[pos_] == ')') {
        pos_ = start;
        return false;
    }
    return token().has_value();
}

std::optional<std::string> FieldCursor::raw(bool honourQuotes) {
    if (rawEnded_) return std::nullopt;
    size_t end = pos_;
    bool inQuotes = false;
    for (; end < line_.size(); ++end) {
        if (line_[end] == '"') inQuotes = !inQuotes;
        if (line_[end] == ',' && !(honourQuotes && inQuotes)) break;
    }
    std::string out(line_.substr(pos_, end - pos_));
    if (end < line_.size()) {
        pos_ = end + 1;
    } else {
        pos_ = end;
        rawEnded_ = true;
    }
    return out;
}

std::vector<std::string> rawFields(std::string_view text, bool honourQuotes) {
    FieldCursor c(text);
    std::vector<std::string> out;
    while (std::optional<std::string> f = c.raw(honourQuotes)) out.push_back(std::move(*f));
    return out;
}

std::string betweenQuotes(std::string_view field) {
    const size_t open = field.find('"');
    if (open == std::string_view::npos) return std::string(field);
    const size_t close = field.find('"', open + 1);
    if (close == std::string_view::npos) return std::string(field.substr(open + 1));
    return std::string(field.substr(open + 1, close - open - 1));
}

std::string outerQuotes(std::string_view field) {
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        return std::string(field.substr(1, field.size() - 2));
    return std::string(field);
}

CharsetName charsetName(std::string_view fields) {
    FieldCursor c(fields);
    const std::string raw = c.raw(true).value_or("");
    const std::string_view field = trimView(raw);
    CharsetName n;
    n.quoted = field.size() >= 2 && field.front() == '"' && field.back() == '"';
    n.name = outerQuotes(field);
    n.alone = !c.moreFields();
    return n;
}

std::optional<CharsetName> charsetAnswer(std::string_view line, std::string_view prefix) {
    FieldCursor c(line);
    if (!c.skipPrefix(std::string(prefix) + ":")) return std::nullopt;
    return charsetName(c.rest());
}

}  // namespace td
