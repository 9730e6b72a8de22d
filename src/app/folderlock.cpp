#include "app/folderlock.h"

#include <QString>

#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"

namespace td {

std::string FolderLock::fileName(const std::string& programName) {
    std::string name = programName.empty() ? std::string("tapdeck") : programName;
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name + ".lock";
}

namespace {
QString lockPath(const std::string& folder, const std::string& programName) {
    return QString::fromStdString(
        files::toOsPath(files::join(folder, FolderLock::fileName(programName))));
}
}  // namespace

FolderLock::FolderLock(const std::string& folder, const std::string& programName)
    : lock_(lockPath(folder, programName)) {
    // The program may run for days: only a lock whose process is gone is stale.
    lock_.setStaleLockTime(0);
}

bool FolderLock::take(qint64& holder) {
    holder = 0;
    if (lock_.tryLock(0)) return true;
    // No lock can be made here (a read-only folder, say): run as before.
    if (lock_.error() != QLockFile::LockFailedError) return true;
    QString host, app;
    lock_.getLockInfo(&holder, &host, &app);
    return false;
}

bool FolderLock::claim(const std::function<void(qint64 pid)>& bringForward) {
    qint64 pid = 0;
    if (take(pid)) return true;
    QString host, app;
    lock_.getLockInfo(&pid, &host, &app);
    std::string who = pid > 0 ? W("процесс ") + std::to_string(pid) : W("процесс неизвестен");
    if (!app.isEmpty()) who += ", " + toWin(app);
    const bool forward = dialogs().confirm(
        W("- В этой папке уже работает программа (") + who +
        W(").\rДве копии в одной папке стирают записи друг друга, поэтому эта копия закроется."
          "\rПоказать окно работающей программы? (Нет - просто закрыть эту копию)"));
    if (forward && pid > 0 && bringForward) bringForward(pid);
    return false;
}

}  // namespace td
