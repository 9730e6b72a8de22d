#include "platform/ini.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>

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
    // The first header line of each section (by folded name) and every
    // header line in order, so that a key is found without a walk over a
    // long file. Made when the file is read; a copy changed for a write
    // finds its section before it changes its lines.
    std::unordered_map<std::string, size_t> firstHeader;
    std::vector<size_t> headers;
    bool indexed = false;
    // Each section's stamp (IniFile::sectionStamp), by folded name.
    std::unordered_map<std::string, std::uint64_t> stamps;

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
std::atomic<std::uint64_t> lastStamp{0};

std::optional<std::string> sectionOf(const std::string& line);

// Indexes the sections and stamps them anew, but for those that keep the
// stamps they had in `kept` (a write keeps every section it did not touch).
void indexSections(Doc& d, const std::unordered_map<std::string, std::uint64_t>& kept = {}) {
    d.headers.clear();
    d.firstHeader.clear();
    d.stamps.clear();
    for (size_t i = 0; i < d.lines.size(); ++i) {
        auto name = sectionOf(d.lines[i]);
        if (!name) continue;
        d.headers.push_back(i);
        std::string folded = foldCase(d.toText(*name));
        if (!d.firstHeader.try_emplace(folded, i).second) continue;
        auto k = kept.find(folded);
        d.stamps[folded] = k != kept.end() ? k->second : ++lastStamp;
    }
    d.indexed = true;
}

Doc parse(const std::string& bytes) {
    Doc d;
    files::splitLines(bytes, d.lines);
    if (!d.lines.empty() && d.lines[0].compare(0, kBom.size(), kBom) == 0) {
        d.utf8 = true;
        d.lines[0].erase(0, kBom.size());
    }
    indexSections(d);
    return d;
}

// The files read last, by path, with the bytes they were read from: a file
// read again with the same bytes gives the same lines without a new parse
// (a long own phone book is read at every activation of the main window).
// Any change on disk, by this program or another, gives other bytes and a
// fresh parse, so a reading always equals a fresh one.
struct Cached {
    std::string bytes;
    std::shared_ptr<const Doc> doc;
};
constexpr size_t kCachedFiles = 8;
std::mutex cacheMutex;
std::map<std::string, Cached>& cache() {
    static std::map<std::string, Cached> files;
    return files;
}

void remember(const std::string& path, std::string bytes, std::shared_ptr<const Doc> doc) {
    std::lock_guard<std::mutex> lock(cacheMutex);
    auto& files = cache();
    if (files.size() >= kCachedFiles && !files.count(path)) files.erase(files.begin());
    files[path] = Cached{std::move(bytes), std::move(doc)};
}

std::shared_ptr<const Doc> load(const std::string& path) {
    std::string bytes;
    if (!files::readAll(path, bytes)) {
        auto d = std::make_shared<Doc>();
        d->readable = !files::exists(path);  // a missing file is an empty one
        return d;
    }
    {
        std::lock_guard<std::mutex> lock(cacheMutex);
        auto it = cache().find(path);
        if (it != cache().end() && it->second.bytes == bytes) return it->second.doc;
    }
    auto doc = std::make_shared<const Doc>(parse(bytes));
    remember(path, std::move(bytes), doc);
    return doc;
}

// The file's text as a write leaves it: every line ends in CR LF.
std::string textOf(const Doc& d) {
    std::string bytes = d.utf8 ? kBom : std::string();
    if (d.utf8 && d.lines.empty()) bytes += "\r\n";
    for (const auto& l : d.lines) {
        bytes += l;
        bytes += "\r\n";
    }
    return bytes;
}

// A write that leaves the file's bytes as they were read a moment ago is
// not made (a long file is not rewritten for a key that keeps its value),
// unless it would fail: a file that may not be written, or writes ended,
// fails and is reported as any other write.
bool unchangedOnDisk(const std::string& path, const std::string& bytes) {
    if (!files::writableFile(path)) return false;
    std::lock_guard<std::mutex> lock(cacheMutex);
    auto it = cache().find(path);
    return it != cache().end() && it->second.bytes == bytes;
}

// The lines a write leaves are those a reading of its bytes gives (no line
// holds a line break or ends in CR: such writes are refused), so they are
// kept as the file's reading; the two cases where a reading would differ
// (an empty UTF-8 file, a first line that looks like the mark) are read anew.
bool readsBackAsIs(const Doc& d) {
    if (d.utf8) return !d.lines.empty();
    return d.lines.empty() || d.lines[0].compare(0, kBom.size(), kBom) != 0;
}

bool store(const std::string& path, Doc& d, const std::string& section) {
    std::string bytes = textOf(d);
    if (unchangedOnDisk(path, bytes)) return true;
    {
        std::lock_guard<std::mutex> lock(cacheMutex);
        cache().erase(path);
    }
    int err = 0;
    if (!files::writeAll(path, bytes, &err)) {
        reportUnsaved(path, err);
        return false;
    }
    if (readsBackAsIs(d)) {
        std::unordered_map<std::string, std::uint64_t> kept = std::move(d.stamps);
        kept.erase(foldCase(trim(section)));
        indexSections(d, kept);
        remember(path, std::move(bytes), std::make_shared<const Doc>(std::move(d)));
    }
    return true;
}

// The section name of a header line "[name]", or nothing.
std::optional<std::string> sectionOf(const std::string& line) {
    std::string_view t = trimView(line);
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
    if (d.indexed) {
        auto it = d.firstHeader.find(want);
        if (it == d.firstHeader.end()) return std::nullopt;
        auto next = std::upper_bound(d.headers.begin(), d.headers.end(), it->second);
        return Range{it->second, it->second + 1, next == d.headers.end() ? lines.size() : *next};
    }
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
    f.loaded_ = load(f.path_);
    return f;
}

std::shared_ptr<const IniDoc> IniFile::text() const {
    return loaded_ ? loaded_ : load(path_);
}

bool IniFile::renewed(bool stored) {
    if (loaded_) loaded_ = load(path_);
    return stored;
}

std::uint64_t IniFile::sectionStamp(const std::string& section) const {
    auto t = text();
    auto it = t->stamps.find(foldCase(trim(section)));
    return it == t->stamps.end() ? 0 : it->second;
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
    const std::shared_ptr<const Doc> current = load(path_);
    const Doc& c = *current;
    bool bad = iniSectionProblem(section) != IniProblem::None ||
               iniKeyProblem(key) != IniProblem::None ||
               iniValueProblem(value) != IniProblem::None || !c.holds(section) || !c.holds(key) ||
               !c.holds(value);
    if (refused(path_, c, bad)) return false;
    std::string keyName = trim(key);
    std::string stored = c.toStored(storedValue(value));
    auto r = findSection(c, section);
    std::optional<size_t> k = r ? findKey(c, *r, key) : std::nullopt;
    // A key that keeps its value leaves the file as it is, without a copy of
    // its lines (a long file is written at every activation).
    if (k && c.lines[*k] == *keyOf(c.lines[*k]) + "=" + stored && files::writableFile(path_)) {
        if (loaded_) loaded_ = current;
        return true;
    }
    Doc d = c;
    std::vector<std::string>& lines = d.lines;
    if (!r) {
        lines.push_back(d.toStored("[" + trim(section) + "]"));
        lines.push_back(d.toStored(keyName) + "=" + stored);
        return renewed(store(path_, d, section));
    }
    if (k) {
        lines[*k] = *keyOf(lines[*k]) + "=" + stored;  // keep the key's spelling
    } else {
        // After the last non-blank line of the section, so blank separators stay below it.
        size_t at = r->end;
        while (at > r->begin && trim(lines[at - 1]).empty()) --at;
        lines.insert(lines.begin() + static_cast<long>(at), d.toStored(keyName) + "=" + stored);
    }
    return renewed(store(path_, d, section));
}

bool IniFile::writeSection(const std::string& section,
                           const std::vector<std::pair<std::string, std::string>>& entries) {
    Doc d = *load(path_);
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
        return renewed(store(path_, d, section));
    }
    // The body up to its last non-blank line is replaced; blank separators stay.
    size_t end = r->end;
    while (end > r->begin && trim(lines[end - 1]).empty()) --end;
    lines.erase(lines.begin() + static_cast<long>(r->begin),
                lines.begin() + static_cast<long>(end));
    lines.insert(lines.begin() + static_cast<long>(r->begin), body.begin(), body.end());
    return renewed(store(path_, d, section));
}

bool IniFile::deleteKey(const std::string& section, const std::string& key) {
    Doc d = *load(path_);
    if (refused(path_, d, false)) return false;
    auto r = findSection(d, section);
    if (!r) return true;
    auto k = findKey(d, *r, key);
    if (!k) return true;
    d.lines.erase(d.lines.begin() + static_cast<long>(*k));
    return renewed(store(path_, d, section));
}

bool IniFile::eraseSection(const std::string& section) {
    Doc d = *load(path_);
    if (refused(path_, d, false)) return false;
    auto r = findSection(d, section);
    if (!r) return true;
    d.lines.erase(d.lines.begin() + static_cast<long>(r->header),
                  d.lines.begin() + static_cast<long>(r->end));
    return renewed(store(path_, d, section));
}

}  // namespace td
