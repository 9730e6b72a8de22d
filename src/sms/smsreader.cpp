#include "sms/smsreader.h"

#include "engine/launcher.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/services.h"
#include "sms/smsbatch.h"

namespace td::sms {

std::vector<std::string> smsPrefixes() {
    return {prog().PrefixSmsList, prog().PrefixMotoSmsList};
}

std::string PhoneNameForNumber(const std::string& number) {
    Prog& p = prog();
    if (p.NameList.empty()) {
        const std::string copy = autoRunPath("LastPBook.txt");
        if (!files::exists(copy)) return number;
        files::readLines(copy, p.NameList);
    }
    return nameForNumber(number, p.NameList);
}

SmsReader::SmsReader(SmsListView& view, const std::string& operation, const std::string& argument,
                     const std::string& kind, const SmsTexts& texts, SmsReaderHooks hooks)
    : view_(view),
      hooks_(std::move(hooks)),
      cycle_(smsCycleConfig(operation, argument, kind, texts), view, cycleHooks()) {}

ReadCycleHooks SmsReader::cycleHooks() {
    ReadCycleHooks h;
    h.onRefreshClick = hooks_.onRefreshClick;
    h.onCycleStart = [this] {
        if (hooks_.clearReSendList) hooks_.clearReSendList();
        if (prog().SMSRefresh) {
            // A read from the phone: the list on screen no longer counts,
            // and no message stays chosen from it.
            prog().ListFresh = false;
            prog().ReSendIndex.clear();
            view_.clearSelection();
        }
    };
    h.loadLastCopy = [this](const std::vector<std::string>& lines) { fill(lines); };
    h.parse = [this](const std::vector<std::string>& lines) {
        view_.setStatus(W("Текущий список SMS из мобильного телефона"));
        prog().RecordList.clear();
        fill(lines);
    };
    h.onLastCopySaved = [] { prog().ListFresh = true; };
    h.beepWanted = hooks_.beepWanted;
    return h;
}

void SmsReader::lastCopyClick() {
    // Unlike the phone book's, this button leaves a running read alone: it
    // shows the copy now, and the read fills the list again when it ends.
    feedback().setHourglass(false);
    prog().SMSRefresh = false;
    prog().ListFresh = false;
    cycle_.run();
}

void SmsReader::fill(const std::vector<std::string>& lines) {
    std::vector<SmsRow> rows = listRows(lines, smsPrefixes(), PhoneNameForNumber);
    Prog& p = prog();
    view_.clearList();
    p.SentSMSIndexes.clear();
    p.SentSMSIndexes.reserve(rows.size());
    for (const SmsRow& r : rows) p.SentSMSIndexes.push_back(r.index);
    view_.showRows(rows);
}

namespace {

std::string staleListWarning() {
    return W(
        "Вы выбрали SMS из списка, который, возможно, не соответстует содержимому телефона "
        "!\rВыполнение удаления в этих условиях может привести к потере информации "
        "!\r\rЖелательно выполнить Обновление информации, а затем повторить эту "
        "операцию\r\rПродолжить ?");
}

// The delete button's two looks.
void idleDeleteLook(ReadView& v) {
    v.setRefreshCaption(W("Удалить"));
    v.setRefreshColor(NavyColor);
    v.setRefreshHint(deleteIdleHint());
    v.setRefreshEnabled(true);
}
void busyLook(ReadView& v) {
    v.setRefreshCaption(AbortCaption());
    v.setRefreshColor(RedColor);
    v.setRefreshHint(smsBusyHint());
    v.setRefreshEnabled(true);
}

// An abort, or a stale list declined: the button idle, the read stopped.
void stop(ReadView& v, const std::function<void(ReadView&)>& idle) {
    feedback().setHourglass(false);
    prog().ReadAbort = true;
    idle(v);
    pump().processEvents();
}

// Steps shared by both deletes once the batch file is written and the
// question answered: the read that deletes and lists again.
void runDelete(SmsListView& view, const std::string& argument, const std::string& kind,
               const SmsTexts& texts, const SmsReaderHooks& hooks,
               const std::function<void(ReadView&)>& idle) {
    Prog& p = prog();
    p.ReadAbort = false;
    p.SMSRefresh = true;
    busyLook(view);
    pump().processEvents();
    pump().sleep(200);
    p.ListFresh = false;
    SmsReader reader(view, p.DeleteSMSName, argument, kind, texts, hooks);
    reader.ReadSMS();
    idle(view);
    p.SMSRefresh = false;
    pump().processEvents();
}

}  // namespace

void deleteClick(SmsListView& view, const DeleteRequest& req, const SmsReaderHooks& hooks) {
    Prog& p = prog();
    if (CellBusy()) return;
    if (view.refreshCaption() == AbortCaption()) {
        stop(view, idleDeleteLook);
        return;
    }
    if (p.ReSendIndex.empty()) {
        dialogs().message(W("- Выберите, пожалуйста SMS для удаления"));
        return;
    }
    if (!p.ListFresh && !dialogs().confirm(staleListWarning())) {
        stop(view, idleDeleteLook);
        return;
    }
    p.BatPrefix.clear();
    if (!PutOperToOperBat(p.OperIniName, p.DeleteSMSName, req.readOperation, p.BatPrefix)) return;
    if (req.setTitles) req.setTitles();
    if (!dialogs().confirm(deleteQuestion(p.SelectedSMSText, p.PresetText))) return;
    runDelete(view, p.ReSendIndex, req.kind, req.texts, hooks, idleDeleteLook);
}

void groupDeleteClick(SmsListView& view, const GroupDeleteRequest& req,
                      const SmsReaderHooks& hooks) {
    Prog& p = prog();
    auto idle = [](ReadView& v) { v.setRefreshCaption(RefreshCaption()); };
    if (CellBusy()) return;
    if (view.refreshCaption() == AbortCaption()) {
        feedback().setHourglass(false);
        p.ReadAbort = true;
        idle(view);
        if (req.clearMarks) req.clearMarks();
        pump().processEvents();
        return;
    }
    if (req.marks.empty() || p.ReSendIndex.empty()) {
        dialogs().message(
            W("- Выберите, пожалуйста SMS для удаления (кликните в колонке \"Удалить\")"));
        return;
    }
    if (!p.ListFresh && !dialogs().confirm(staleListWarning())) {
        stop(view, idle);
        return;
    }
    GroupDelete plan = planGroupDelete(req.marks, p.ReSendIndex, req.groupDeleteCommand);
    p.BatPrefix = plan.batPrefix;
    if (!PutOperToOperBat(p.OperIniName, p.DeleteSMSName, p.AllSMSName, p.BatPrefix)) return;
    if (req.setTitles) req.setTitles();
    if (!dialogs().confirm(groupDeleteQuestion(plan.count()))) return;
    runDelete(view, plan.argument, AllKind, allTexts(), hooks, idle);
}

bool saveSmsList() {
    Prog& p = prog();
    const std::vector<std::string>* lines = nullptr;
    if (!p.ResultLines.empty()) {
        p.ListFresh = true;
        lines = &p.ResultLines;
    } else if (!p.RecordList.empty()) {
        lines = &p.RecordList;
    }
    if (!lines) return false;
    Clock& c = clock();
    const std::string path = autoRunPath(
        savedListName(c.now(), c.shortDateFormat, c.longTimeFormat, p.CurrentPrefix, p.SMSFile));
    if (files::writeLines(path, *lines)) return true;
    dialogs().message(W("- Не удаётся записать файл \"") + path + "\"");
    return false;
}

}  // namespace td::sms
