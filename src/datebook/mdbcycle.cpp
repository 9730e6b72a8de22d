#include "datebook/mdbcycle.h"

#include "datebook/mdblogic.h"
#include "engine/settings.h"
#include "platform/cp1251.h"

namespace td {

std::string readIdleHint() {
    return W("Прочесть книгу напоминаний из ТЕЛЕФОНА");
}
std::string unloadAbortHint() {
    return W("Выгрузить книгу напоминаний из ТЕЛЕФОНА");
}
std::string unloadIdleHint() {
    return W("Выгрузить ежедневник для последующей загрузки");
}
std::string unloadCaption() {
    return W("Выгрузить");
}

ReadCycleConfig dateBookCycleConfig(const std::string& operation, MdbRun kind, ReadFlags& flags) {
    Prog& p = prog();
    const bool unload = kind == MdbRun::Unload;
    ReadCycleConfig c;
    c.operation = operation;
    c.args = {kind == MdbRun::Write ? DateBookWriteBatName : ScriptBatName};
    c.abortFlag = &flags.abort;
    c.updateFlag = &flags.update;
    // The unload's click handler makes the busy test itself, before its
    // version check.
    c.busyTest = !unload;
    c.question = unload ? unloadQuestion() : readQuestion();
    c.idleCaption = unload ? unloadCaption() : std::string();
    c.idleHint = unload ? unloadAbortHint() : readIdleHint();
    if (kind == MdbRun::Write) {
        // The window asks with the number of events and sets the hint.
        c.idleCaption = toPhoneCaption();
        c.idleHint.clear();
    }

    const std::string log = autoRunPath(p.LogFile);
    c.deleteBeforeStart = {log, EngineErrorName};
    c.firstDelayMs = 2000;
    c.watchedFile = autoRunPath(p.MDBFile);
    c.watchedAlsoNeeds = log;
    c.workFile = autoRunPath("$" + p.MDBFile);
    c.extraHalfInterval = false;
    c.parseFile = c.watchedFile;
    c.parseFallback = unload ? log : std::string();
    c.minLines = 2;
    // The window writes the last copy itself: the answer and the setting
    // found in the log. An unload writes none.
    c.lastCopyPath = unload ? std::string() : autoRunPath(DateBookListName);
    c.lastCopySource = LastCopySource::ParsedRecords;

    c.readingStatus = W("Идёт чтение книги напоминаний из мобильного телефона");
    c.notCreatedText = notCreatedText(p.MDBFile);
    c.noLastCopyText = W("- Нет файла с последней копией книги напоминаний - нажмите \"Обновить\"");
    c.lastCopyStatusPrefix = W("Последняя копия книги напоминаний от ");
    return c;
}

}  // namespace td
