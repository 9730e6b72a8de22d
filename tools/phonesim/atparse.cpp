#include "atparse.h"

#include <cctype>

namespace phonesim {
namespace {

char up(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '!' || c == '%' || c == '-' ||
           c == '.' || c == '/' || c == ':' || c == '_';
}

}  // namespace

std::optional<std::vector<Command>> splitCommandLine(std::string_view s) {
    std::vector<Command> out;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == ' ' || c == ';') {
            ++i;
            continue;
        }
        Command cmd;
        if (c == '+' || c == '^' || c == '$' || c == '*' || c == '%') {
            cmd.name += c;
            ++i;
            while (i < s.size() && isNameChar(s[i])) cmd.name += up(s[i++]);
            if (cmd.name.size() == 1) return std::nullopt;
            if (i + 1 < s.size() && s[i] == '=' && s[i + 1] == '?') {
                cmd.kind = Command::Test;
                i += 2;
            } else if (i < s.size() && s[i] == '=') {
                cmd.kind = Command::Set;
                ++i;
                bool inQuote = false;
                while (i < s.size() && (inQuote || s[i] != ';')) {
                    if (s[i] == '"') inQuote = !inQuote;
                    cmd.args += s[i++];
                }
                if (inQuote) return std::nullopt;
            } else if (i < s.size() && s[i] == '?') {
                cmd.kind = Command::Read;
                ++i;
            }
            // Trailing blanks before ";" or the end belong to nobody.
            while (!cmd.args.empty() && cmd.args.back() == ' ') cmd.args.pop_back();
            out.push_back(cmd);
            continue;
        }
        if (c == '&') {
            if (i + 1 >= s.size()) return std::nullopt;
            cmd.name = std::string("&") + up(s[i + 1]);
            i += 2;
        } else if (std::isalpha(static_cast<unsigned char>(c))) {
            cmd.name = std::string(1, up(c));
            ++i;
            if (cmd.name == "D") {  // the dial string takes the rest of the line
                cmd.args = std::string(s.substr(i));
                cmd.kind = Command::Set;
                out.push_back(cmd);
                break;
            }
            if (cmd.name == "S") {  // S<n>=<v>, S<n>?
                while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
                    cmd.name += s[i++];
                if (i < s.size() && s[i] == '?') {
                    cmd.kind = Command::Read;
                    ++i;
                    out.push_back(cmd);
                    continue;
                }
                if (i < s.size() && s[i] == '=') {
                    cmd.kind = Command::Set;
                    ++i;
                }
            }
        } else {
            return std::nullopt;
        }
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) cmd.args += s[i++];
        if (!cmd.args.empty()) cmd.kind = Command::Set;
        out.push_back(cmd);
    }
    return out;
}

std::optional<std::vector<Param>> splitParams(std::string_view args) {
    std::vector<Param> out;
    size_t i = 0;
    Param cur;
    bool any = false;
    while (i <= args.size()) {
        if (i == args.size() || args[i] == ',') {
            while (!cur.quoted && !cur.text.empty() && cur.text.back() == ' ') cur.text.pop_back();
            out.push_back(cur);
            cur = Param();
            if (i == args.size()) break;
            ++i;
            any = true;
            continue;
        }
        char c = args[i];
        if (c == '"' && !cur.quoted && cur.text.empty()) {
            size_t close = args.find('"', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            cur.quoted = true;
            cur.text = std::string(args.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        if (c == ' ' && cur.text.empty()) {
            ++i;
            continue;
        }
        if (cur.quoted) {  // text after a closing quote
            if (c != ' ') return std::nullopt;
            ++i;
            continue;
        }
        cur.text += c;
        ++i;
    }
    if (!any && out.size() == 1 && out[0].empty()) out.clear();
    return out;
}

std::optional<int> paramInt(const Param& p) {
    if (p.text.empty() || p.text.size() > 9) return std::nullopt;
    int v = 0;
    for (char c : p.text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace phonesim
