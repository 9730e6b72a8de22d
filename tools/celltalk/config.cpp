// The engine's settings: celltalk.ini and the operations ini it names, the
// operations, batch files and command-line texts.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "engine.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "ports.h"

namespace celltalk {

namespace fs = std::filesystem;
using td::trim;

namespace {

// A number setting: empty keeps the default; anything else must be a finite
// number from lo to hi (lo itself excluded when openLow).
double number(const td::Setting& key, const std::string& text, double def, double lo, double hi,
              bool openLow = false) {
    std::string t = trim(text);
    if (t.empty()) return def;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(t.c_str(), &end);
    bool ok = end && end != t.c_str() && *end == '\0' && std::isfinite(v) && v <= hi &&
              (openLow ? v > lo : v >= lo);
    if (!ok) {
        char range[64];
        std::snprintf(range, sizeof range, "%s%g%s%g", openLow ? "> " : "", lo, " .. ", hi);
        throw EngineError(td::W("неверное значение ") + std::string(key.key) + "=" + t +
                              td::W(" (нужно число ") + range + ")",
                          2);
    }
    return v;
}

constexpr double kMaxTimeoutSec = 3600;

}  // namespace

std::string Config::autoRunDir() const {
    return td::files::join(dir, td::AutoRunDir);
}

bool Config::simulated() const {
    return td::upperAscii(trim(comPort)) == "SIM";
}

std::string missingPortMessage(const std::vector<ports::Candidate>& found) {
    std::string text = td::W(
                           "не задан порт телефона: впишите ComPort=<устройство> в секцию "
                           "[Common] файла ") +
                       td::EngineIniName +
                       td::W(
                           " (или celltalk ports --set <устройство>; ComPort=SIM - "
                           "имитатор телефона); ");
    if (found.empty()) return text + td::W("последовательных устройств не найдено");
    text += td::W("найдены устройства:");
    for (size_t k = 0; k < found.size(); ++k)
        text += (k ? ", " : " ") + td::files::fromOsPath(found[k].name);
    return text;
}

Config loadConfig(const std::string& dir) {
    namespace S = td::setting;
    Config cfg;
    cfg.dir = dir;
    const std::string engineIni = td::files::join(dir, td::EngineIniName);
    if (!td::files::exists(engineIni))
        throw EngineError(td::W("не найден файл ") + td::EngineIniName + td::W(" в ") + dir, 2);
    const td::IniFile eng = td::IniFile::loaded(engineIni);
    std::string model = trim(td::readSetting(eng, S::ModelIni));
    if (model.empty()) model = td::EngineIniName;
    cfg.opsIni = td::files::join(dir, model);
    if (!td::files::exists(cfg.opsIni))
        throw EngineError(td::W("не найден файл операций ") + model, 2);
    cfg.ops = std::make_shared<const td::IniFile>(
        cfg.opsIni == engineIni ? eng : td::IniFile::loaded(cfg.opsIni));
    const td::IniFile& ops = *cfg.ops;
    // A satellite program's operations ini may name its own port and line
    // settings in its [Common]; what it leaves out comes from celltalk.ini.
    auto common = [&](const td::Setting& s) {
        return td::readSetting(ops, s, td::readSetting(eng, s));
    };
    cfg.comPort = common(S::ComPort);
    cfg.baud = static_cast<int>(number(S::Baud, common(S::Baud), cfg.baud, 1, 4000000));
    cfg.timeoutSec =
        number(S::Timeout, common(S::Timeout), cfg.timeoutSec, 0, kMaxTimeoutSec, true);
    cfg.commandLimitSec = number(S::CommandLimit, common(S::CommandLimit), cfg.commandLimitSec, 0,
                                 24 * kMaxTimeoutSec, true);
    cfg.simState = common(S::SimState);
    cfg.statusReport = td::upperAscii(trim(common(S::StatusReport))) == "YES";
    cfg.ringGapSec =
        number(S::RingGap, common(S::RingGap), cfg.ringGapSec, 0, kMaxTimeoutSec, true);

    cfg.waitSec = number(S::Wait, td::readSetting(ops, S::Wait), cfg.waitSec, 0, kMaxDelaySec);
    // A file name or prefix left empty keeps its default.
    auto value = [&](const td::Setting& s, std::string& v) {
        std::string text = trim(td::readSetting(ops, s, v));
        if (!text.empty()) v = text;
    };
    value(S::PBFile, cfg.pbFile);
    value(S::SMSFile, cfg.smsFile);
    value(S::MDBFile, cfg.mdbFile);
    value(S::LogFile, cfg.logFile);
    value(S::PrefixPhoneBook, cfg.pbPrefix);
    value(S::PrefixSmsList, cfg.smsPrefix);
    value(S::PrefixMotoSmsList, cfg.motoSmsPrefix);
    value(S::PrefixDateBook, cfg.mdbrPrefix);
    value(S::PrefixAutoDelete, cfg.mdbadPrefix);
    cfg.window = trim(td::readSetting(ops, S::EngineWindow, cfg.window));
    cfg.beep = td::upperAscii(trim(td::readSetting(ops, S::EngineBeep))) == "YES";
    return cfg;
}

std::string lookupOperation(const Config& cfg, const std::string& name) {
    const td::IniFile ops = cfg.ops ? *cfg.ops : td::IniFile(cfg.opsIni);
    if (trim(name).empty()) throw EngineError(td::W("не задано имя операции"), 2);
    if (!ops.keyExists(std::string(td::setting::OperationsSection), name))
        throw EngineError(td::W("операция \"") + name + td::W("\" не найдена в ") +
                              td::files::baseName(cfg.opsIni),
                          2);
    std::string text = ops.readString(std::string(td::setting::OperationsSection), name, "");
    if (trim(text).empty()) throw EngineError(td::W("операция \"") + name + td::W("\" пуста"), 2);
    return text;
}

std::string findNoCase(const std::string& dir, const std::string& name) {
    // Resolve each component of a relative name in turn.
    std::string cur = dir;
    std::string rest = name;
    for (char& c : rest)
        if (c == '\\') c = '/';
    if (rest.starts_with("/")) cur = "/", rest = rest.substr(1);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t slash = rest.find('/', start);
        std::string part =
            rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? rest.size() + 1 : slash + 1;
        if (part.empty() || part == ".") continue;
        std::string exact = td::files::join(cur, part);
        if (td::files::exists(exact) || part == "..") {
            cur = exact;
            continue;
        }
        std::error_code ec;
        std::string found;
        for (const auto& e : fs::directory_iterator(td::files::toOsPath(cur), ec)) {
            std::string n = td::files::fromOsPath(e.path().filename().string());
            if (td::equalsNoCase(n, part)) {
                found = n;
                break;
            }
        }
        if (found.empty()) return {};
        cur = td::files::join(cur, found);
    }
    return cur;
}

std::optional<std::vector<std::string>> readBatchFile(const std::string& path) {
    // Opened without waiting (a FIFO would block until a writer came) and
    // checked on the open descriptor: only a regular file of sane size.
    const int fd = ::open(td::files::toOsPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    if (!S_ISREG(st.st_mode)) throw OpError(td::W("пакетный файл не обычный файл: ") + path);
    if (st.st_size > static_cast<off_t>(kMaxBatchBytes))
        throw OpError(td::W("пакетный файл больше ") + std::to_string(kMaxBatchBytes / 1024) +
                      td::W(" КБ: ") + path);
    std::vector<std::string> lines;
    if (!td::files::readLines(path, lines)) return std::nullopt;
    return lines;
}

BatchLoader folderBatchLoader(const Config& cfg) {
    return [cfg](const std::string& name) -> std::optional<std::vector<std::string>> {
        std::string path = findNoCase(cfg.dir, name);
        if (path.empty()) path = findNoCase(cfg.autoRunDir(), name);
        if (path.empty()) return std::nullopt;
        return readBatchFile(path);
    };
}

std::string argumentText(const std::string& raw) {
    // Strict UTF-8: well-formed sequences, no overlong forms, no surrogates.
    bool wide = false;
    for (size_t i = 0; i < raw.size();) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        wide = true;
        size_t len = c >= 0xC2 && c <= 0xDF   ? 2
                     : c >= 0xE0 && c <= 0xEF ? 3
                     : c >= 0xF0 && c <= 0xF4 ? 4
                                              : 0;
        if (len == 0 || i + len > raw.size()) return raw;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(raw[i + k]) & 0xC0) != 0x80) return raw;
        const unsigned char d = static_cast<unsigned char>(raw[i + 1]);
        if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) ||
            (c == 0xF4 && d > 0x8F))
            return raw;
        i += len;
    }
    return wide ? td::utf8ToCp1251(raw) : raw;
}

}  // namespace celltalk
