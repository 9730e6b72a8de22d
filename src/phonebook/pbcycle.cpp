#include "phonebook/pbcycle.h"

#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"

namespace td {

PhoneBookTexts phoneBookTexts() {
    return {W("Вы действительно хотите прочитать телефонную книгу из Вашего аппарата ?") + "\r" +
                TakesHalfAMinute(),
            W("Прочесть Телефонную книгу из ТЕЛЕФОНА")};
}

PhoneBookTexts missCallTexts() {
    return {W("Вы действительно хотите прочитать записи из Вашего аппарата ?") + "\r" +
                TakesHalfAMinute(),
            W("Прочесть записи из ТЕЛЕФОНА")};
}

ReadCycleConfig phoneBookCycleConfig(const std::string& operation, const std::string& prefix,
                                     const PhoneBookTexts& texts, ReadFlags& flags) {
    Prog& p = prog();
    ReadCycleConfig c;
    c.operation = operation;
    c.abortFlag = &flags.abort;
    c.updateFlag = &flags.update;
    c.busyTest = true;
    c.question = texts.question;
    c.idleHint = texts.idleHint;
    c.watchedFile = autoRunPath(p.LogFile);
    // The engine writes into "$" + the watched file's name, beside it.
    const std::string watchedName = files::baseName(c.watchedFile);
    c.workFile =
        c.watchedFile.substr(0, c.watchedFile.size() - watchedName.size()) + "$" + watchedName;
    c.parseFile = autoRunPath(p.PBFile);
    c.parseFallback = c.watchedFile;
    c.deleteBeforeStart = {c.watchedFile, c.parseFile, EngineErrorName};
    c.firstDelayMs = 2500;
    c.extraHalfInterval = true;
    c.minLines = 3;
    c.lastCopyPath = autoRunPath(prefix + PhoneBookCopyName);
    c.lastCopySource = LastCopySource::ParsedRecords;
    c.readingStatus = W("Идёт чтение из мобильного телефона");
    c.readingGridHint = W("Подождите - идёт чтение из телефона");
    c.notCreatedText = W("- Файл с записями тел.книги \"") + files::baseName(p.LogFile) +
                       W("\" не создан программой CellTalk");
    c.noLastCopyText = W("- Нет файла с последней копией телефонной книги - нажмите \"Обновить\"");
    c.lastCopyStatusPrefix = W("Последняя копия ");
    return c;
}

}  // namespace td
