#include "engine/userfolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "engine/settingkeys.h"
#include "platform/cp1251.h"
#include "platform/files.h"

namespace td {

namespace fs = std::filesystem;

namespace {

const char* const kFolderName = "tapdeck";

bool isAbsolute(const char* p) {
    return p != nullptr && p[0] == '/';
}

// Reasons are system text (UTF-8), as the paths in them.

// mkdir -p with mode 0700 for the folders it creates; existing ones keep theirs.
bool makePrivateDirs(const std::string& osPath, std::string& error) {
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        size_t next = osPath.find('/', pos + 1);
        partial = osPath.substr(0, next);
        pos = next;
        if (partial.empty() || partial == "/") continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            error = partial + ": " + std::strerror(errno);
            return false;
        }
    }
    std::error_code ec;
    if (!fs::is_directory(osPath, ec)) {
        error = osPath + ": это не папка";
        return false;
    }
    return true;
}

}  // namespace

EnvLookup systemEnv() {
    return [](const char* name) { return std::getenv(name); };
}

std::string userDataFolder(const EnvLookup& env) {
    const char* xdg = env("XDG_DATA_HOME");
    std::string base;
    if (isAbsolute(xdg)) {
        base = xdg;
    } else {
        const char* home = env("HOME");
        if (!isAbsolute(home)) return {};
        base = home;
        while (base.size() > 1 && base.back() == '/') base.pop_back();
        if (base != "/") base += '/';
        base += ".local/share";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (base != "/") base += '/';
    return files::fromOsPath(base + kFolderName);
}

std::string templateFolderFor(const std::string& exePath) {
    fs::path exe(files::toOsPath(exePath));
    fs::path prefix = exe.parent_path().parent_path();
    return files::fromOsPath((prefix / "share" / kFolderName).string());
}

bool fillFromTemplates(const std::string& folder, const std::string& templates,
                       std::string& error) {
    const std::string osTemplates = files::toOsPath(templates);
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(osTemplates, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
    }
    if (ec || names.empty()) {
        error = osTemplates + ": нет шаблонов программы";
        return false;
    }
    const std::string osFolder = files::toOsPath(folder);
    if (!makePrivateDirs(files::toOsPath(files::join(folder, AutoRunDir)), error)) return false;
    for (const auto& name : names) {
        fs::path to = fs::path(osFolder) / name;
        if (fs::exists(fs::symlink_status(to, ec))) continue;  // the user's own file stays
        std::string bytes;
        if (!files::readAll(files::fromOsPath((fs::path(osTemplates) / name).string()), bytes) ||
            !files::writeAll(files::fromOsPath(to.string()), bytes)) {
            error = to.string() + ": не удаётся скопировать из шаблонов";
            return false;
        }
    }
    return true;
}

StartFolder chooseStartFolder(const std::string& current, const std::string& userFolder,
                              const std::string& templates) {
    StartFolder r{current, false, {}};
    if (files::exists(files::join(current, OwnIniName))) return r;
    if (userFolder.empty()) {
        r.error = "не задана домашняя папка (HOME)";
        return r;
    }
    if (!files::exists(files::join(userFolder, OwnIniName)) &&
        !fillFromTemplates(userFolder, templates, r.error))
        return r;
    r.folder = userFolder;
    r.moved = true;
    return r;
}

std::string startFolderProblem(const StartFolder& start) {
    if (start.error.empty()) return {};
    return W("- Не удаётся создать личную папку программы: ") + files::fromOsPath(start.error) +
           W("\rПрограмма работает в папке ") + start.folder + W(" без своих настроек (") +
           OwnIniName + W(") и телефонной книги");
}

}  // namespace td
