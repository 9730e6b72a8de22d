#include "phonebook/pblist.h"

#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"

namespace td {

std::string OwnHeaderName() {
    return W(" Имя абонента");
}
std::string OwnHeaderNumber() {
    return W(" Номер телефона");
}
std::string CallTimeHeader() {
    return W(" Время вызова");
}

void fillRecords(StringGrid* grid, QLabel* counter, const std::vector<PBRecord>& records,
                 bool pumpEvents) {
    fillGridRows(grid, counter, static_cast<int>(records.size()), pumpEvents, [&](int row) {
        const PBRecord& r = records[static_cast<size_t>(row - 1)];
        grid->setCell(0, row, r.name);
        grid->setCell(1, row, r.number);
        if (grid->columnCount() > 2) grid->setCell(2, row, callTimeCell(r.time));
    });
}

PhoneBookReader::PhoneBookReader(std::function<std::string()> operation, std::string prefix,
                                 PhoneBookTexts texts, StringGrid* grid, QPushButton* button,
                                 QLabel* counter, QLabel* panel)
    : operation_(std::move(operation)),
      prefix_(std::move(prefix)),
      texts_(std::move(texts)),
      grid_(grid),
      counter_(counter),
      panel_(panel),
      view_(grid, button, panel),
      cycle_(ReadCycleConfig{}, view_, hooks()) {}

template <class F>
void PhoneBookReader::enter(F f) {
    if (depth_ == 0) cycle_.setConfig(phoneBookCycleConfig(operation_(), prefix_, texts_, flags_));
    ++depth_;
    struct Leave {
        int& d;
        ~Leave() { --d; }
    } leave{depth_};
    f();
}

void PhoneBookReader::refreshClick() {
    enter([this] { cycle_.refreshClick(); });
}
void PhoneBookReader::lastCopyClick() {
    enter([this] { cycle_.lastCopyClick(); });
}
void PhoneBookReader::run() {
    enter([this] { cycle_.run(); });
}

std::string PhoneBookReader::timesPath() const {
    return autoRunPath(prefix_ + CallTimesName);
}

// Only a list that shows the time keeps it; the window learns whether
// this list has any before the rows go in.
void PhoneBookReader::showTimesOf(std::vector<PBRecord>& records) {
    bool any = false;
    for (PBRecord& r : records) {
        if (!showTimes) r.time.clear();
        any = any || !r.time.empty();
    }
    if (showTimes) showTimes(any);
}

// Row 0 takes the own phone book's titles.
void PhoneBookReader::header() {
    std::pair<std::string, std::string> h =
        links.ownHeader ? links.ownHeader() : std::pair{OwnHeaderName(), OwnHeaderNumber()};
    grid_->setCell(0, 0, h.first);
    grid_->setCell(1, 0, h.second);
    if (grid_->columnCount() > 2) grid_->setCell(2, 0, CallTimeHeader());
}

ReadCycleHooks PhoneBookReader::hooks() {
    ReadCycleHooks h;
    h.onCycleStart = [this] {
        if (links.cycleStarted) links.cycleStarted();
    };
    h.beforeLastCopy = [this] {
        grid_->clearRows(0);
        grid_->resetRows();
        header();
    };
    h.loadLastCopy = [this](const std::vector<std::string>& lines) {
        std::vector<PBRecord> records;
        records.reserve(lines.size());
        for (const std::string& l : lines) records.push_back(splitRecordLine(l));
        if (showTimes) {
            std::vector<std::string> times;
            if (files::exists(timesPath())) files::readLines(timesPath(), times);
            attachCallTimes(records, times);
        }
        showTimesOf(records);
        fillRecords(grid_, counter_, records, false);
    };
    h.parse = [this](const std::vector<std::string>& lines) {
        if (links.freshList) links.freshList();
        panel_->setText(fromWin(W("Текущие записи из мобильного телефона")));

        records_.clear();
        grid_->clearRows(1);
        grid_->resetRows();
        header();
        std::vector<PBRecord> records = parsePhoneBookAnswer(lines, prog().PrefixPhoneBook);
        showTimesOf(records);
        for (const PBRecord& r : records) records_.push_back(recordLine(r));
        times_ = callTimeLines(records);
        fillRecords(grid_, counter_, records, true);
    };
    h.parsedRecords = [this] { return records_; };
    // The times go beside the copy just stored; a list without any leaves
    // no times file that an older list's times could come back from.
    h.onLastCopySaved = [this] {
        if (!showTimes) return;
        if (times_.empty()) {
            if (files::exists(timesPath())) files::remove(timesPath());
        } else if (!files::writeLines(timesPath(), times_)) {
            dialogs().message(W("- Не удаётся записать файл \"") + timesPath() + "\"");
        }
    };
    h.onDataLoaded = [this] {
        if (links.dataLoaded) links.dataLoaded();
    };
    h.beepWanted = [this] { return links.beepWanted && links.beepWanted(); };
    return h;
}

}  // namespace td
