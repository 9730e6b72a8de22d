#include "app/livephone.h"

#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "formats/ownbook.h"
#include "formats/smslistfile.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/keptprocess.h"
#include "platform/notifier.h"
#include "platform/services.h"

namespace td {

std::optional<Announcement> announcementFor(
    const EventRecord& e, const std::function<std::string(const std::string&)>& nameFor) {
    const std::string who = nameFor(e.number);
    auto titled = [&](const char* what) { return who.empty() ? W(what) : W(what) + ": " + who; };
    if (e.kind == "sms") return Announcement{titled("SMS"), e.text, true};
    if (e.kind == "call") return Announcement{titled("Звонок"), "", false};
    if (e.kind == "delivered") return Announcement{titled("SMS доставлено"), "", false};
    if (e.kind == "not-delivered") return Announcement{titled("SMS не доставлено"), "", false};
    return std::nullopt;
}

LivePhone::LivePhone(Notifier& notifier, KeptProcess& engine)
    : notifier_(notifier), engine_(engine) {}

LivePhone::~LivePhone() {
    *alive_ = false;
}

void LivePhone::start() {
    if (!prog().LivePhone || tail_) return;
    // News from now on: what the file holds already has been seen or missed.
    tail_.emplace(files::toOsPath(autoRunPath(EventsLogName)));
    tail_->poll();
    const std::string own = startPath(OwnIniName);
    if (files::exists(own) && readSetting(IniFile(own), setting::ResidentEngine) == "YES")
        startEngine();
    poll();
}

void LivePhone::setResident(bool on) {
    if (!tail_) start();  // the switch came on after the program started
    if (on == keep_) return;
    if (on)
        startEngine();
    else
        stop();
}

void LivePhone::stop() {
    keep_ = false;
    engine_.stop(StopGraceMs);
}

void LivePhone::startEngine() {
    keep_ = true;
    if (!engine_.start(EngineExeName, "serve", prog().StartDir)) engineFailed();
}

// Told once for each start: the engine could not start, or ended by itself
// (port busy, the phone silent or unplugged). The program goes on without it.
void LivePhone::engineFailed() {
    keep_ = false;
    std::string why = utf8ToCp1251(engine_.lastWords());
    dialogs().message(W("Слежение за телефоном остановлено: резидентный движок CellTalk "
                        "(celltalk serve) не работает.") +
                      (why.empty() ? "" : "\r" + why));
}

std::string LivePhone::nameFor(const std::string& number) const {
    const std::string own = startPath(OwnIniName);
    if (number.empty() || !files::exists(own)) return number;
    std::vector<std::string> lines;
    for (const PBRecord& r : loadOwnBook(own).rows)
        if (!r.number.empty()) lines.push_back(recordLine(r));
    return sms::NameIndex(lines).nameFor(number);
}

void LivePhone::poll() {
    for (const EventRecord& e : tail_->poll()) {
        auto a = announcementFor(e, [this](const std::string& n) { return nameFor(n); });
        if (!a) continue;
        std::function<void()> click;
        if (a->opensUnread)
            click = [this, alive = std::weak_ptr<bool>(alive_)] {
                if (alive.lock() && openUnread) openUnread();
            };
        notifier_.notify(a->title, a->body, std::move(click));
    }
    if (keep_ && !engine_.running()) engineFailed();
    pump().later(PollMs, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (auto a = alive.lock(); a && *a) poll();
    });
}

}  // namespace td
