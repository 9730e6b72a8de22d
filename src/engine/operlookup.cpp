#include "engine/operlookup.h"

#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/services.h"

namespace td {

std::string GetOperByName(const std::string& iniName, const std::string& operation) {
    std::string path = startPath(iniName);
    if (!files::exists(path)) {
        dialogs().message(W("- Файл ") + iniName + W(" - не найден"));
        files::setCurrentDir(prog().StartDir);
        return {};
    }
    if (operation.empty()) {
        dialogs().message(W("- Пустая операция"));
        return {};
    }
    std::string value =
        IniFile(path).readString(std::string(setting::OperationsSection), operation, "");
    if (!value.empty() && value != " ") return value;
    dialogs().message(W("- Операция \"") + operation + W("\" неверна"));
    return {};
}

std::string missingOperationText(const std::string& caption, const std::string& operation) {
    std::string text = W("- Операция для кнопки \"") + caption + W("\" не найдена в ") +
                       OwnIniName + W("\rВыберите операцию из списка справа") + "\r\r";
    if (!operation.empty())
        text += W("Ранее кнопке была назначена операция") + "\r\r\"" + operation + "\"\r\r" +
                W("(подберите операцию с похожим именем-возможно название немного изменилось)");
    else
        text += W("Ранее кнопке НЕ была назначена операция");
    return text;
}

}  // namespace td
