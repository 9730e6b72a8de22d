// The result and log files of a run: each written as "$" + name and put in
// place under its name once complete.

#include <cerrno>
#include <cstring>

#include "engine.h"
#include "platform/cp1251.h"
#include "platform/files.h"

namespace celltalk {

WorkFile::WorkFile(std::string dir, std::string name)
    : dir_(std::move(dir)), name_(std::move(name)) {}

WorkFile::~WorkFile() {
    if (f_) std::fclose(f_);
}

std::string WorkFile::finalPath() const {
    return td::files::join(dir_, name_);
}
std::string WorkFile::workPath() const {
    return td::files::join(dir_, "$" + name_);
}

void WorkFile::open() {
    if (f_) return;
    f_ = std::fopen(td::files::toOsPath(workPath()).c_str(), "wb");
    if (!f_)
        throw EngineError(td::W("не удаётся создать файл ") + workPath() + ": " +
                          std::strerror(errno));
    created_ = true;
}

void WorkFile::failed(int error) {
    // The work file goes at once: a file that cannot be written completely
    // (a full disk) is no result, and the clean-up must not depend on it.
    if (f_) std::fclose(f_);
    f_ = nullptr;
    td::files::remove(workPath());
    created_ = false;
    throw EngineError(td::W("не удаётся записать файл ") + finalPath() + ": " +
                      std::strerror(error));
}

void WorkFile::line(const std::string& text) {
    open();
    if (std::fwrite(text.data(), 1, text.size(), f_) != text.size() ||
        std::fwrite("\r\n", 1, 2, f_) != 2)
        failed(errno ? errno : EIO);
}

void WorkFile::flush() {
    if (f_ && std::fflush(f_) != 0) failed(errno ? errno : EIO);
}

void WorkFile::commit() {
    if (!f_) return;
    errno = 0;
    bool ok = !std::ferror(f_);
    ok = std::fclose(f_) == 0 && ok;
    f_ = nullptr;
    if (!ok) failed(errno ? errno : EIO);
    if (std::rename(td::files::toOsPath(workPath()).c_str(),
                    td::files::toOsPath(finalPath()).c_str()) != 0)
        failed(errno);
    created_ = false;
    committed_ = true;
}

void WorkFile::discard() {
    if (f_) std::fclose(f_);
    f_ = nullptr;
    if (created_) td::files::remove(workPath());
    created_ = false;
}

void WorkFile::unpublish() {
    discard();
    if (committed_) td::files::remove(finalPath());
    committed_ = false;
}

Outputs::Outputs(const Config& cfg)
    : log(cfg.autoRunDir(), cfg.logFile),
      pb(cfg.autoRunDir(), cfg.pbFile),
      sms(cfg.autoRunDir(), cfg.smsFile),
      mdb(cfg.autoRunDir(), cfg.mdbFile) {}

void Outputs::commitAll() {
    // A reader waits on a result file only while the log exists, so the
    // results are in place before the log appears.
    pb.commit();
    sms.commit();
    mdb.commit();
    log.commit();
}

void Outputs::discardResults() {
    // Also a result file this run had already put in place when a later
    // one failed: a failed run leaves no result of its own.
    pb.unpublish();
    sms.unpublish();
    mdb.unpublish();
}

}  // namespace celltalk
