#include "engine/launcher.h"

#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/runmarker.h"
#include "platform/services.h"

namespace td {

std::string operParams(const std::string& operation, const std::vector<std::string>& args) {
    std::string p = "oper \"" + operation + "\"";
    for (const auto& a : args) p += " \"" + a + "\"";
    return p;
}

std::string StartFailureText(const std::string& file, const std::string& dir, int code) {
    // The system looks for "name" where the program names "name.exe".
    std::string name = file;
    if (name.size() > 4 && upperAscii(name.substr(name.size() - 4)) == ".EXE")
        name.resize(name.size() - 4);
    const std::string where = dir.empty() ? files::currentDir() : dir;
    if (code == kOpenAccessDenied)
        return W("- Не удаётся запустить ") + name + W(" из папки ") + where +
               W(": нет прав на запуск");
    const bool bare = name.find('/') == std::string::npos;
    return W("- Не удаётся запустить ") + name + W(": программа не найдена ") +
           (bare ? W("ни в папке ") + where + W(", ни в папках PATH") : W("по этому пути"));
}

bool ExecuteActAll(const std::string& file, const std::string& params, int show,
                   const std::string& dir) {
    int code = starter().open(file, params, dir, show);
    if (code >= 32) return true;
    dialogs().message(StartFailureText(file, dir, code));
    return false;
}

void CallReSendSMSCell(const std::string& operation, const std::string& argument) {
    ExecuteActAll(EngineExeName, operParams(operation, {argument}), SW_SHOWNORMAL, "");
}

bool StartEngine(const std::string& operation, const std::vector<std::string>& args) {
    return ExecuteActAll(EngineExeName, operParams(operation, args), SW_SHOWNORMAL, "");
}

bool CellBusy() {
    // A marker left by a killed engine is cleared here, not taken for a run.
    if (!engineRunning(startPath(RunMarkerName))) return false;
    dialogs().message(
        W("- Пожалуйста, дождитесь завершения предшествующей операции\rили закройте/остановите "
          "программу CellTalk"));
    return true;
}

bool CheckSateliteFile(const std::string& base, const std::string& own) {
    std::string today = clock().markerDate(clock().now());
    bool any = false;
    for (int d = 0; d <= 9; ++d) {
        std::string path = mapMarkerPath(base + std::to_string(d));
        if (!own.empty() && path == own) continue;
        if (!files::pathExists(path)) continue;
        std::vector<std::string> lines;
        if (!files::readLines(path, lines)) {
            any = true;  // present but unreadable: it counts, and it stays
            continue;
        }
        std::string first = lines.empty() ? std::string() : lines[0];
        if (first < today) files::remove(path);  // character-by-character comparison
        if (files::pathExists(path)) any = true;
    }
    return any;
}

std::string CreSateliteFile(const std::string& base) {
    for (int d = 0; d <= 9; ++d) {
        std::string name = base + std::to_string(d);
        std::string path = mapMarkerPath(name);
        if (files::pathExists(path)) continue;
        if (!files::writeLines(path, {clock().markerDate(clock().now())})) return {};
        return path;
    }
    return {};
}

}  // namespace td
