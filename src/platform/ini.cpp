#include "platform/ini.h"

#include <cerrno>
#include <optional>

#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/services.h"

namespace td {

// A file's lines as stored. A file that starts with the UTF-8 byte-order
// mark holds UTF-8 text: names and values are converted when they are
// matched, read or written, and every other line stays byte for byte.
struct IniDoc {
    std::vector<std::string> lines;
    bool utf8 = false;
    bool readable = true;  // false: the file exists but could not be read

    std::string toText(const std::string& stored) const {
        return utf8 ? utf8ToCp1251(stored) : stored;
    }
    std::string toStored(const std::string& text) const { return utf8 ? cp1251ToUtf8(text) : text; }
    // A UTF-8 file cannot hold the one byte the code page leaves unassigned
    // (0x98): a text holding it would not read back.
    bool holds(const std::string& text) const { return !utf8 || toText(toStored(text)) == text; }
};

namespace {

using Doc = IniDoc;
const std::string kBom = "\xEF\xBB\xBF";

Doc load(const std::string& path) {
    Doc d;
    if (!files::readLines(path, d.lines)) {
        d.lines.clear();
        d.readable = !files::exists(path);  // a missing file is an empty one
        return d;
    }
    if (!d.lines.empty() && d.lines[0].compare(0, kBom.size(), kBom) == 0) {
        d.utf8 = true;
        d.lines[0].erase(0, kBom.size());
    }
    return d;
}

bool store(const std::string& path, const Doc& d) {
    std::vector<std::string> lines = d.lines;
    if (d.utf8) {
        if (lines.empty()) lines.emplace_back();
        lines[0].insert(0, kBom);
    }
    int err = 0;
    if (files::writeLines(path, lines, &err)) return true;
    reportUnsaved(path, err);
    return false;
}

// The section name of a header line "[name]", or nothing.
std::optional<std::string> sectionOf(const std::string& line) {
    std::string t = trim(line);
    if (t.size() < 2 || t[0] != '[') return std::nullopt;
    size_t close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return trim(t.substr(1, close - 1));
}

// Only ";" starts a comment, as in the Windows profile functions; a line
// beginning with "#" is an ordinary key there and here.
bool isComment(const std::string& line) {
    std::string t = trim(line);
    return !t.empty() && t[0] == ';';
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
std::optional<Range> findSection(const Doc& d, const std::string& section) {
    const std::vector<std::string>& lines = d.lines;
    std::string want = foldCase(trim(section));
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = sectionOf(lines[i]);
        if (!name || foldCase(d.toText(*name)) != want) continue;
        size_t j = i + 1;
        while (j < lines.size() && !sectionOf(lines[j])) ++j;
        return Range{i, i + 1, j};
    }
    return std::nullopt;
}

std::optional<size_t> findKey(const Doc& d, const Range& r, const std::string& key) {
    std::string want = foldCase(trim(key));
    for (size_t i = r.begin; i < r.end; ++i) {
        auto k = keyOf(d.lines[i]);
        if (k && foldCase(d.toText(*k)) == want) return i;
    }
    return std::nullopt;
}

bool hasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos || s.find('\0') != std::string::npos;
}

// A value is stored so that reading gives it back: one with blanks at
// either end, or enclosed in quotes itself, goes inside a pair of double
// quotes, which reading removes again.
std::string storedValue(const std::string& value) {
    if (value != trim(value) || iniTrimValue(value) != value) return "\"" + value + "\"";
    return value;
}

std::string rawValue(const std::string& line) {
    return line.substr(line.find('=') + 1);
}

}  // namespace

IniProblem iniKeyProblem(const std::string& key) {
    std::string k = trim(key);
    if (hasLineBreak(k)) return IniProblem::LineBreak;
    if (k.empty()) return IniProblem::Empty;
    if (k[0] == '[' || k[0] == ';') return IniProblem::BadStart;
    if (k.find('=') != std::string::npos) return IniProblem::EqualsSign;
    return IniProblem::None;
}

IniProblem iniValueProblem(const std::string& value) {
    return hasLineBreak(value) ? IniProblem::LineBreak : IniProblem::None;
}

IniProblem iniSectionProblem(const std::string& section) {
    std::string s = trim(section);
    if (hasLineBreak(s)) return IniProblem::LineBreak;
    if (s.empty()) return IniProblem::Empty;
    if (s.find(']') != std::string::npos) return IniProblem::BadStart;
    return IniProblem::None;
}

std::string iniTrimValue(const std::string& raw) {
    std::string v = trim(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

IniFile IniFile::loaded(std::string path) {
    IniFile f(std::move(path));
    f.loaded_ = std::make_shared<const IniDoc>(load(f.path_));
    return f;
}

std::shared_ptr<const IniDoc> IniFile::text() const {
    return loaded_ ? loaded_ : std::make_shared<const IniDoc>(load(path_));
}

bool IniFile::renewed(bool stored) {
    if (loaded_) loaded_ = std::make_shared<const IniDoc>(load(path_));
    return stored;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    auto t = text();
    const Doc& d = *t;
    auto r = findSection(d, section);
    if (!r) return def;
    auto k = findKey(d, *r, key);
    if (!k) return def;
    return iniTrimValue(d.toText(rawValue(d.lines[*k])));
}

bool IniFile::keyExists(const std::string& section, const std::string& key) const {
    auto t = text();
    const Doc& d = *t;
    auto r = findSection(d, section);
    return r && findKey(d, *r, key).has_value();
}

bool IniFile::sectionExists(const std::string& section) const {
    return findSection(*text(), section).has_value();
}

std::vector<std::string> IniFile::readSectionKeys(const std::string& section) const {
    std::vector<std::string> keys;
    for (auto& kv : readSection(section)) keys.push_back(kv.first);
    return keys;
}

std::vector<std::pair<std::string, std::string>> IniFile::readSection(
    const std::string& section) const {
    std::vector<std::pair<std::string, std::string>> out;
    auto t = text();
    const Doc& d = *t;
    auto r = findSection(d, section);
    if (!r) return out;
    for (size_t i = r->begin; i < r->end; ++i) {
        auto k = keyOf(d.lines[i]);
        if (k && !k->empty())
            out.emplace_back(d.toText(*k), iniTrimValue(d.toText(rawValue(d.lines[i]))));
    }
    return out;
}

namespace {
// A write the file could not give back, or one into a file that exists but
// cannot be read (rewriting it would lose its other lines), is refused.
bool refused(const std::string& path, const Doc& d, bool bad) {
    if (bad) {
        reportUnsaved(path, EINVAL);
        return true;
    }
    if (!d.readable) {
        reportUnsaved(path, EIO);
        return true;
    }
    return false;
}
}  // namespace

bool IniFile::writeString(const std::string& section, const std::string& key,
                          const std::string& value) {
    Doc d = load(path_);
    bool bad = iniSectionProblem(section) != IniProblem::None ||
               iniKeyProblem(key) != IniProblem::None ||
               iniValueProblem(value) != IniProblem::None || !d.holds(section) || !d.holds(key) ||
               !d.holds(value);
    if (refused(path_, d, bad)) return false;
    std::vector<std::string>& lines = d.lines;
    std::string keyName = trim(key);
    std::string stored = d.toStored(storedValue(value));
    auto r = findSection(d, section);
    if (!r) {
        lines.push_back(d.toStored("[" + trim(section) + "]"));
        lines.push_back(d.toStored(keyName) + "=" + stored);
        return renewed(store(path_, d));
    }
    if (auto k = findKey(d, *r, key)) {
        lines[*k] = *keyOf(lines[*k]) + "=" + stored;  // keep the key's spelling
    } else {
        // After the last non-blank line of the section, so blank separators stay below it.
        size_t at = r->end;
        while (at > r->begin && trim(lines[at - 1]).empty()) --at;
        lines.insert(lines.begin() + static_cast<long>(at), d.toStored(keyName) + "=" + stored);
    }
    return renewed(store(path_, d));
}

bool IniFile::writeSection(const std::string& section,
                           const std::vector<std::pair<std::string, std::string>>& entries) {
    Doc d = load(path_);
    bool bad = iniSectionProblem(section) != IniProblem::None || !d.holds(section);
    for (const auto& [key, value] : entries)
        bad = bad || iniKeyProblem(key) != IniProblem::None ||
              iniValueProblem(value) != IniProblem::None || !d.holds(key) || !d.holds(value);
    if (refused(path_, d, bad)) return false;

    std::vector<std::string> body;
    body.reserve(entries.size());
    for (const auto& [key, value] : entries)
        body.push_back(d.toStored(trim(key)) + "=" + d.toStored(storedValue(value)));

    std::vector<std::string>& lines = d.lines;
    auto r = findSection(d, section);
    if (!r) {
        lines.push_back(d.toStored("[" + trim(section) + "]"));
        lines.insert(lines.end(), body.begin(), body.end());
        return renewed(store(path_, d));
    }
    // The body up to its last non-blank line is replaced; blank separators stay.
    size_t end = r->end;
    while (end > r->begin && trim(lines[end - 1]).empty()) --end;
    lines.erase(lines.begin() + static_cast<long>(r->begin),
                lines.begin() + static_cast<long>(end));
    lines.insert(lines.begin() + static_cast<long>(r->begin), body.begin(), body.end());
    return renewed(store(path_, d));
}

bool IniFile::deleteKey(const std::string& section, const std::string& key) {
    Doc d = load(path_);
    if (refused(path_, d, false)) return false;
    auto r = findSection(d, section);
    if (!r) return true;
    auto k = findKey(d, *r, key);
    if (!k) return true;
    d.lines.erase(d.lines.begin() + static_cast<long>(*k));
    return renewed(store(path_, d));
}

bool IniFile::eraseSection(const std::string& section) {
    Doc d = load(path_);
    if (refused(path_, d, false)) return false;
    auto r = findSection(d, section);
    if (!r) return true;
    d.lines.erase(d.lines.begin() + static_cast<long>(r->header),
                  d.lines.begin() + static_cast<long>(r->end));
    return renewed(store(path_, d));
}

}  // namespace td
