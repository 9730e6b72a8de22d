#include "sms/smsbatch.h"

#include <filesystem>
#include <vector>

#include "engine/operlookup.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/services.h"

namespace td::sms {

std::string batchFileName(const std::string& command) {
    std::string up = upperAscii(command);
    std::size_t bat = up.find("!BAT");
    if (bat == std::string::npos) return {};
    std::size_t open = up.find('"', bat + 4);
    if (open == std::string::npos) return {};
    std::size_t close = up.find('"', open + 1);
    std::string name =
        up.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return {};
    return name;
}

std::string batchLine(const std::string& prefix, const std::string& readCommand) {
    return prefix + readCommand;
}

namespace {

// Files of the folder whose names equal `name` without regard to case,
// `name` itself excluded.
std::vector<std::string> caseVariants(const std::string& dir, const std::string& name) {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::directory_iterator it(files::toOsPath(dir.empty() ? "." : dir), ec), end;
         !ec && it != end; it.increment(ec)) {
        std::string n = files::fromOsPath(it->path().filename().string());
        if (n != name && equalsNoCase(n, name) && it->is_regular_file(ec)) out.push_back(n);
    }
    return out;
}

}  // namespace

bool PutOperToOperBat(const std::string& iniName, const std::string& batchOperation,
                      const std::string& readOperation, const std::string& prefix) {
    std::string name = batchFileName(GetOperByName(iniName, batchOperation));
    if (name.empty()) return false;

    const std::string path = startPath(name);
    bool told = false;
    if (!files::exists(path) && !files::createEmpty(path)) {
        dialogs().message(W("- Ошибка создания файла=") + path);
        told = true;
    }
    const std::vector<std::string> line = {
        batchLine(prefix, GetOperByName(iniName, readOperation))};
    SaveReport report;  // every batch file that could not be written, told once
    int err = 0;
    if (!files::writeLines(path, line, &err)) {
        if (!told) reportUnsaved(path, err);
        return false;
    }
    for (const std::string& other : caseVariants(prog().StartDir, name)) {
        const std::string otherPath = startPath(other);
        if (!files::writeLines(otherPath, line, &err)) {
            reportUnsaved(otherPath, err);
            return false;
        }
    }
    return true;
}

}  // namespace td::sms
