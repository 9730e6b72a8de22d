#include "platform/ini.h"

#include <optional>

#include "platform/cp1251.h"
#include "platform/files.h"

namespace td {

namespace {

std::vector<std::string> loadLines(const std::string& path) {
    std::vector<std::string> lines;
    files::readLines(path, lines);  // a missing file is an empty one
    return lines;
}

// The section name of a header line "[name]", or nothing.
std::optional<std::string> sectionOf(const std::string& line) {
    std::string t = trim(line);
    if (t.size() < 2 || t[0] != '[') return std::nullopt;
    size_t close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return trim(t.substr(1, close - 1));
}

bool isComment(const std::string& line) {
    std::string t = trim(line);
    return !t.empty() && (t[0] == ';' || t[0] == '#');
}

// The key of a "key=value" line, or nothing for other lines.
std::optional<std::string> keyOf(const std::string& line) {
    if (isComment(line)) return std::nullopt;
    size_t eq = line.find('=');
    if (eq == std::string::npos) return std::nullopt;
    return trim(line.substr(0, eq));
}

// Line range [begin, end) of the body of the first section named `section`;
// begin is the header's index + 1. Nothing when the section is absent.
struct Range {
    size_t header, begin, end;
};
std::optional<Range> findSection(const std::vector<std::string>& lines,
                                 const std::string& section) {
    std::string want = foldCase(trim(section));
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = sectionOf(lines[i]);
        if (!name || foldCase(*name) != want) continue;
        size_t j = i + 1;
        while (j < lines.size() && !sectionOf(lines[j])) ++j;
        return Range{i, i + 1, j};
    }
    return std::nullopt;
}

std::optional<size_t> findKey(const std::vector<std::string>& lines, const Range& r,
                              const std::string& key) {
    std::string want = foldCase(trim(key));
    for (size_t i = r.begin; i < r.end; ++i) {
        auto k = keyOf(lines[i]);
        if (k && foldCase(*k) == want) return i;
    }
    return std::nullopt;
}

std::string rawValue(const std::string& line) {
    return line.substr(line.find('=') + 1);
}

}  // namespace

std::string iniTrimValue(const std::string& raw) {
    std::string v = trim(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    auto lines = loadLines(path_);
    auto r = findSection(lines, section);
    if (!r) return def;
    auto k = findKey(lines, *r, key);
    if (!k) return def;
    return iniTrimValue(rawValue(lines[*k]));
}

bool IniFile::keyExists(const std::string& section, const std::string& key) const {
    auto lines = loadLines(path_);
    auto r = findSection(lines, section);
    return r && findKey(lines, *r, key).has_value();
}

bool IniFile::sectionExists(const std::string& section) const {
    auto lines = loadLines(path_);
    return findSection(lines, section).has_value();
}

std::vector<std::string> IniFile::readSectionKeys(const std::string& section) const {
    std::vector<std::string> keys;
    for (auto& kv : readSection(section)) keys.push_back(kv.first);
    return keys;
}

std::vector<std::pair<std::string, std::string>> IniFile::readSection(
    const std::string& section) const {
    std::vector<std::pair<std::string, std::string>> out;
    auto lines = loadLines(path_);
    auto r = findSection(lines, section);
    if (!r) return out;
    for (size_t i = r->begin; i < r->end; ++i) {
        auto k = keyOf(lines[i]);
        if (k && !k->empty()) out.emplace_back(*k, iniTrimValue(rawValue(lines[i])));
    }
    return out;
}

bool IniFile::writeString(const std::string& section, const std::string& key,
                          const std::string& value) {
    auto lines = loadLines(path_);
    std::string keyName = trim(key);
    auto r = findSection(lines, section);
    if (!r) {
        lines.push_back("[" + trim(section) + "]");
        lines.push_back(keyName + "=" + value);
        return files::writeLines(path_, lines);
    }
    if (auto k = findKey(lines, *r, key)) {
        lines[*k] = *keyOf(lines[*k]) + "=" + value;  // keep the key's spelling
    } else {
        // After the last non-blank line of the section, so blank separators stay below it.
        size_t at = r->end;
        while (at > r->begin && trim(lines[at - 1]).empty()) --at;
        lines.insert(lines.begin() + static_cast<long>(at), keyName + "=" + value);
    }
    return files::writeLines(path_, lines);
}

bool IniFile::deleteKey(const std::string& section, const std::string& key) {
    auto lines = loadLines(path_);
    auto r = findSection(lines, section);
    if (!r) return true;
    auto k = findKey(lines, *r, key);
    if (!k) return true;
    lines.erase(lines.begin() + static_cast<long>(*k));
    return files::writeLines(path_, lines);
}

bool IniFile::eraseSection(const std::string& section) {
    auto lines = loadLines(path_);
    auto r = findSection(lines, section);
    if (!r) return true;
    lines.erase(lines.begin() + static_cast<long>(r->header),
                lines.begin() + static_cast<long>(r->end));
    return files::writeLines(path_, lines);
}

}  // namespace td
