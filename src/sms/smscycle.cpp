#include "sms/smscycle.h"

#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"

namespace td::sms {

SmsTexts sentTexts() {
    return {W("Вы действительно хотите прочитать отправленные ранее SMS из Вашего аппарата ?") +
                "\r" + TakesHalfAMinute(),
            W("Прочесть SMS из телефона")};
}

SmsTexts unreadTexts() {
    return {W("Вы действительно хотите прочитать не прочтённые SMS из Вашего аппарата ?") + "\r" +
                TakesHalfAMinute(),
            W("Прочесть не прочтённые SMS из телефона")};
}

SmsTexts allTexts() {
    return {W("Вы действительно хотите прочитать ВСЕ SMS из Вашего аппарата ?") + "\r" +
                TakesHalfAMinute(),
            W("Прочесть ВСЕ SMS из телефона")};
}

std::string smsBusyHint() {
    return W("Нажмите ОДИН РАЗ для того, чтобы прервать чтение (подождите  1-2 сек.)");
}

std::string smsIdleHint() {
    return W("Прочесть SMS из телефона");
}

std::string deleteIdleHint() {
    return W("Удалить SMS из телефона");
}

std::string smsResultPath() {
    return autoRunPath(prog().SMSFile);
}

std::string smsLastCopyPath(const std::string& kind) {
    return autoRunPath(kind + prog().SMSFile);
}

ReadCycleConfig smsCycleConfig(const std::string& operation, const std::string& argument,
                               const std::string& kind, const SmsTexts& texts, ReadFlags& flags) {
    Prog& p = prog();
    ReadCycleConfig c;
    c.operation = operation;
    if (!argument.empty()) c.args = {argument};
    c.abortFlag = &flags.abort;
    c.updateFlag = &flags.update;
    c.busyTest = true;
    c.question = texts.question;
    c.idleHint = texts.idleHint;
    c.busyHint = smsBusyHint();
    c.watchedFile = smsResultPath();
    c.watchedAlsoNeeds = autoRunPath(p.LogFile);
    c.workFile = autoRunPath("$" + files::baseName(p.SMSFile));
    c.deleteBeforeStart = {c.watchedAlsoNeeds, c.watchedFile, EngineErrorName};
    c.firstDelayMs = 2000;
    c.extraHalfInterval = false;
    c.parseFile = c.watchedFile;
    c.minLines = 2;
    c.lastCopyPath = smsLastCopyPath(kind);
    c.lastCopySource = LastCopySource::ResultLines;
    c.readingStatus = W("Идёт чтение SMS из мобильного телефона");
    c.readingGridHint = W("Подождите - идёт чтение SMS из телефона");
    c.notCreatedText =
        W("- Файл с записями SMS \"") + p.SMSFile + W("\" не создан программой CellTalk");
    c.noLastCopyText = W("- Нет файла с последней копией SMS - нажмите \"Обновить\"");
    c.lastCopyStatusPrefix = W("Последняя копия SMS от ");
    return c;
}

}  // namespace td::sms
