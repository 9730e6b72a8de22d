#include "sms/smsreader.h"

#include <algorithm>
#include <optional>

#include "engine/launcher.h"
#include "engine/settings.h"
#include "formats/pbrecord.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/services.h"
#include "sms/smsbatch.h"

namespace td::sms {

std::vector<std::string> smsPrefixes() {
    return {prog().PrefixSmsList, prog().PrefixMotoSmsList};
}

const std::vector<std::string>& SmsReader::names() const {
    const std::string copy = autoRunPath(PhoneBookCopyName);
    if (names_.empty() && files::exists(copy)) files::readLines(copy, names_);
    return names_;
}

std::string SmsReader::nameForNumber(const std::string& number) const {
    if (names().empty()) return number;
    return sms::nameForNumber(number, names_);
}

std::string groupDeleteCommand() {
    const std::string path = startPath(OwnIniName);
    std::string cmd =
        files::exists(path) ? readSetting(IniFile(path), setting::GroupDeleteSMS) : std::string();
    return cmd.empty() ? std::string(setting::GroupDeleteSMS.def) : cmd;
}

// Clears the list and shows the messages of these lines, their storage
// indexes in rowIndexes.
void SmsReader::fillList(SmsListView& view, const std::vector<std::string>& lines) {
    // The names are looked up in an index built once for the whole list.
    const NameIndex index(names());
    std::vector<SmsRow> rows =
        listRows(lines, smsPrefixes(), [&index](const std::string& n) { return index.nameFor(n); });
    view.clearList();
    rowIndexes_.clear();
    rowIndexes_.reserve(rows.size());
    for (const SmsRow& r : rows) rowIndexes_.push_back(r.index);
    view.showRows(rows);
}

std::vector<std::string> SmsReader::partsOf(const std::string& index) const {
    std::vector<const ShownList*> lists = {shownList(SentKind)};
    for (const auto& [kind, list] : shown_)
        if (kind != SentKind) lists.push_back(&list);
    const std::vector<std::string> prefixes = smsPrefixes();
    for (const ShownList* list : lists) {
        if (!list) continue;
        for (const std::string& line : list->lines)
            if (std::optional<SmsFields> f = readSmsRecord(line, prefixes))
                if (f->index == index && !f->parts.empty()) return f->parts;
    }
    return {index};
}

const SmsReader::ShownList* SmsReader::shownList(const std::string& kind) const {
    auto it = shown_.find(kind);
    return it == shown_.end() ? nullptr : &it->second;
}

ReadCycleHooks SmsReader::cycleHooks(SmsListView& view, const std::string& kind) {
    ReadCycleHooks h;
    SmsListView* v = &view;
    h.onCycleStart = [this, v] {
        if (hooks_.clearReSendList) hooks_.clearReSendList();
        if (flags_.update) {
            // A read from the phone: the list on screen no longer counts,
            // and no message stays chosen from it.
            listFresh_ = false;
            chosen_.index.clear();
            v->clearSelection();
        }
    };
    h.loadLastCopy = [this, v, kind](const std::vector<std::string>& lines) {
        shown_[kind] = {lines, false};
        fillList(*v, lines);
    };
    h.parse = [this, v, kind](const std::vector<std::string>& lines) {
        v->readView().setStatus(W("Текущий список SMS из мобильного телефона"));
        shown_[kind] = {lines, true};
        fillList(*v, lines);
    };
    h.onLastCopySaved = [this] { listFresh_ = true; };
    h.beepWanted = hooks_.beepWanted;
    return h;
}

ReadOutcome SmsReader::ReadSMS(SmsListView& view, const std::string& operation,
                               const std::string& argument, const std::string& kind,
                               const SmsTexts& texts) {
    ReadCycle cycle(smsCycleConfig(operation, argument, kind, texts, flags_), view.readView(),
                    cycleHooks(view, kind));
    return cycle.run();
}

ReadOutcome SmsReader::refreshClick(SmsListView& view, const std::string& operation,
                                    const std::string& kind, const SmsTexts& texts,
                                    const std::function<void()>& onClick) {
    ReadCycleHooks h = cycleHooks(view, kind);
    h.onRefreshClick = onClick;
    ReadCycle cycle(smsCycleConfig(operation, "", kind, texts, flags_), view.readView(),
                    std::move(h));
    cycle.refreshClick();
    return cycle.outcome();
}

ReadOutcome SmsReader::lastCopyClick(SmsListView& view, const std::string& operation,
                                     const std::string& kind, const SmsTexts& texts) {
    feedback().setHourglass(false);
    flags_.update = false;
    listFresh_ = false;
    return ReadSMS(view, operation, "", kind, texts);
}

namespace {

std::string staleListWarning() {
    return W(
        "Вы выбрали SMS из списка, который, возможно, не соответстует содержимому телефона "
        "!\rВыполнение удаления в этих условиях может привести к потере информации "
        "!\r\rЖелательно выполнить Обновление информации, а затем повторить эту "
        "операцию\r\rПродолжить ?");
}

// The list of this kind came from the phone and nothing has made it stale
// since (another window's read does not make it fresh).
bool listFresh(const SmsReader& reader, const std::string& kind) {
    const SmsReader::ShownList* list = reader.shownList(kind);
    return reader.listFresh() && list && list->fromPhone;
}

// The delete button's idle look; after the list was read again no message
// is selected any more.
std::function<void(ReadView&)> idleDeleteLook(const SmsReader& reader) {
    return [&reader](ReadView& v) {
        v.setRefreshCaption(W("Удалить"));
        v.setRefreshColor(NavyColor);
        v.setRefreshHint(deleteIdleHint());
        v.setRefreshEnabled(!reader.chosen().index.empty());
    };
}
void busyLook(ReadView& v) {
    v.setRefreshCaption(AbortCaption());
    v.setRefreshColor(RedColor);
    v.setRefreshHint(smsBusyHint());
    v.setRefreshEnabled(true);
}

// An abort, or a stale list declined: the button idle, the read stopped.
void stop(SmsReader& reader, ReadView& v, const std::function<void(ReadView&)>& idle) {
    feedback().setHourglass(false);
    reader.flags().abort = true;
    idle(v);
    pump().processEvents();
}

// Steps shared by both deletes once the batch file is written and the
// question answered: the read that deletes and lists again.
void runDelete(SmsReader& reader, SmsListView& view, const std::string& argument,
               const std::string& kind, const SmsTexts& texts,
               const std::function<void(ReadView&)>& idle) {
    ReadFlags& flags = reader.flags();
    flags.abort = false;
    flags.update = true;
    busyLook(view.readView());
    pump().processEvents();
    pump().sleep(200);
    reader.setListFresh(false);
    reader.ReadSMS(view, prog().DeleteSMSName, argument, kind, texts);
    idle(view.readView());
    flags.update = false;
    pump().processEvents();
}

// The phone's whole list read now, without touching the window's list;
// nothing when the read failed or was stopped.
std::optional<std::vector<std::string>> listNow(SmsReader& reader, SmsListView& view) {
    Prog& p = prog();
    ReadFlags& flags = reader.flags();
    SmsTexts texts = allTexts();
    texts.question.clear();  // the delete was asked already
    std::optional<std::vector<std::string>> lines;
    ReadCycleHooks h;
    h.parse = [&lines](const std::vector<std::string>& l) { lines = l; };
    flags.abort = false;
    flags.update = true;
    ReadCycle cycle(smsCycleConfig(p.AllSMSName, "", AllKind, texts, flags), view.readView(),
                    std::move(h));
    ReadOutcome outcome = cycle.run();
    flags.update = false;
    if (outcome != ReadOutcome::Parsed) return std::nullopt;
    return lines;
}

}  // namespace

void deleteClick(SmsReader& reader, SmsListView& view, const DeleteRequest& req) {
    Prog& p = prog();
    if (CellBusy()) return;
    if (view.readView().refreshCaption() == AbortCaption()) {
        stop(reader, view.readView(), idleDeleteLook(reader));
        return;
    }
    const SmsReader::Chosen& chosen = reader.chosen();
    if (chosen.index.empty()) {
        dialogs().message(W("- Выберите, пожалуйста SMS для удаления"));
        return;
    }
    if (!listFresh(reader, req.kind) && !dialogs().confirm(staleListWarning())) {
        stop(reader, view.readView(), idleDeleteLook(reader));
        return;
    }
    // A message joined from several parts goes whole: the other parts are
    // deleted before the list is read again.
    std::string batPrefix;
    if (const SmsReader::ShownList* shown = reader.shownList(req.kind)) {
        const std::vector<std::string> all =
            withOtherParts({chosen.index}, shown->lines, smsPrefixes());
        for (std::size_t k = 1; k < all.size(); ++k)
            batPrefix += groupDeleteCommand() + all[k] + "|";
    }
    if (!PutOperToOperBat(p.OperIniName, p.DeleteSMSName, req.readOperation, batPrefix)) return;
    if (req.setTitles) req.setTitles();
    if (!dialogs().confirm(deleteQuestion(chosen.text, chosen.who))) return;
    runDelete(reader, view, chosen.index, req.kind, req.texts, idleDeleteLook(reader));
}

void groupDeleteClick(SmsReader& reader, SmsListView& view, const GroupDeleteRequest& req) {
    Prog& p = prog();
    auto idle = [](ReadView& v) { v.setRefreshCaption(RefreshCaption()); };
    if (CellBusy()) return;
    if (view.readView().refreshCaption() == AbortCaption()) {
        feedback().setHourglass(false);
        reader.flags().abort = true;
        idle(view.readView());
        if (req.clearMarks) req.clearMarks();
        pump().processEvents();
        return;
    }
    if (req.marks.empty() || reader.chosen().index.empty()) {
        dialogs().message(
            W("- Выберите, пожалуйста SMS для удаления (кликните в колонке \"Удалить\")"));
        return;
    }
    if (!listFresh(reader, AllKind) && !dialogs().confirm(staleListWarning())) {
        stop(reader, view.readView(), idle);
        return;
    }
    // The marked messages, and the storage indexes that delete them: a
    // message joined from several parts goes whole.
    const std::vector<std::string> marks =
        planGroupDelete(req.marks, reader.chosen().index, req.groupDeleteCommand).marks;
    const SmsReader::ShownList* shown = reader.shownList(AllKind);
    auto planFor = [&](const std::vector<std::string>& m) {
        return planGroupDelete(shown ? withOtherParts(m, shown->lines, smsPrefixes()) : m,
                               reader.chosen().index, req.groupDeleteCommand);
    };
    GroupDelete plan = planFor(marks);
    if (!PutOperToOperBat(p.OperIniName, p.DeleteSMSName, p.AllSMSName, plan.batPrefix)) return;
    if (req.setTitles) req.setTitles();
    if (!dialogs().confirm(groupDeleteQuestion(marks.size()))) return;
    // Just before deleting, the phone's list as it is now: a marked index
    // that no longer holds the message shown (emptied on the handset and
    // filled by a new message) is left alone and named.
    std::optional<std::vector<std::string>> now = listNow(reader, view);
    if (!shown || !now) {
        stop(reader, view.readView(), idle);
        return;
    }
    std::vector<std::string> changed = changedMarks(marks, shown->lines, *now, smsPrefixes());
    if (!changed.empty()) {
        dialogs().message(changedMarksText(changed));
        std::vector<std::string> kept;
        for (const std::string& m : marks)
            if (std::find(changed.begin(), changed.end(), m) == changed.end()) kept.push_back(m);
        if (kept.empty()) {
            stop(reader, view.readView(), idle);
            return;
        }
        plan = planFor(kept);
        if (!PutOperToOperBat(p.OperIniName, p.DeleteSMSName, p.AllSMSName, plan.batPrefix)) return;
    }
    runDelete(reader, view, plan.argument, AllKind, allTexts(), idle);
}

bool saveSmsList(SmsReader& reader, const std::string& kind) {
    Prog& p = prog();
    const SmsReader::ShownList* list = reader.shownList(kind);
    if (!list || list->lines.empty()) return false;
    if (list->fromPhone) reader.setListFresh(true);
    const std::string path = autoRunPath(savedListName(fileStampNow(), kind, p.SMSFile));
    if (files::writeLines(path, list->lines)) return true;
    dialogs().message(W("- Не удаётся записать файл \"") + path + "\"");
    return false;
}

}  // namespace td::sms
