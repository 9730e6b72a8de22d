#include "phonecheck/checkcycle.h"

#include "engine/settings.h"
#include "phonecheck/phoneprops.h"
#include "platform/cp1251.h"
#include "platform/files.h"

namespace td {

ReadCycleConfig phoneCheckCycleConfig(ReadFlags& flags) {
    Prog& p = prog();
    ReadCycleConfig c;
    c.operation = CheckPhoneOperName;
    c.abortFlag = &flags.abort;
    c.updateFlag = &flags.update;
    // An abort click must work while the engine still runs.
    c.busyTest = false;
    c.question =
        W("Вы действительно хотите узнать характеристики Вашего аппарата ?\rЭто займёт "
          "примерно полминуты, на которые Ваш телефон будет занят для внешнего "
          "воздействия");
    c.idleHint = W("Послать команды и проанализировать результат");
    c.pauseBeforeReadMs = 50;
    c.watchedFile = autoRunPath(p.LogFile);
    const std::string watchedName = files::baseName(c.watchedFile);
    c.workFile =
        c.watchedFile.substr(0, c.watchedFile.size() - watchedName.size()) + "$" + watchedName;
    // The engine's error file tells a failed run from a log of what it did.
    c.deleteBeforeStart = {c.watchedFile, EngineErrorName};
    c.firstDelayMs = 2500;
    c.extraHalfInterval = true;
    c.parseFile = c.watchedFile;
    c.minLines = 3;
    // The window writes its last copy itself, from what it shows, also after
    // a log it could not parse.
    c.lastCopyPath = autoRunPath(PropCopyName);
    c.lastCopySource = LastCopySource::ParsedRecords;
    c.readingStatus = W("Идёт чтение из мобильного телефона");
    c.notCreatedText = W("- Файл с результатами опроса \"") + files::baseName(p.LogFile) + "\"" +
                       W("не создан программой CellTalk");
    c.noLastCopyText = W("- Нет файла копии характеристик телефона - нажмите \"Обновить\"");
    c.lastCopyStatusPrefix = W("Последняя копия характеристик телефона от");
    return c;
}

std::string CheckStatusIdle() {
    return W("Применимость программы для работы с Вашим телефоном");
}
std::string CheckStatusCurrent() {
    return W("Текущие характеристики мобильного телефона");
}
std::string CheckNotEnoughText() {
    return W("- Исходных данных для проверки недостаточно");
}
std::string CheckBatchErrorText() {
    return W("- Ошибка создания файла=") + CheckBatchName;
}

}  // namespace td
