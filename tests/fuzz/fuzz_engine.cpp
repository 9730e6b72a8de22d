// The engine reading a phone that answers anything: a fixed operation runs
// against answers taken from the input, and ends either done or with the
// engine's own error, never with a crash or another exception.
#include <cstdint>

#include "engine.h"
#include "executor.h"
#include "fuzzsupport.h"
#include "platform/files.h"

namespace {

// Each command the engine writes releases the next part of the input.
class FuzzPhone : public celltalk::Transport {
  public:
    explicit FuzzPhone(std::vector<std::string> parts) : parts_(std::move(parts)) {}
    void write(std::string_view b) override {
        for (char c : b)
            if ((c == '\r' || c == '\x1A') && next_ < parts_.size()) pending_ += parts_[next_++];
    }
    std::string read(int) override {
        std::string out;
        out.swap(pending_);
        return out;
    }
    bool canWait() const override { return false; }

  private:
    std::vector<std::string> parts_;
    size_t next_ = 0;
    std::string pending_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using celltalk::Step;
    static const std::vector<Step> steps = {
        {Step::Kind::Command, "at+cpbs=\"SM\"", -1},
        {Step::Kind::Command, "at+cpbr=1,250", -1},
        {Step::Kind::Command, "at+cpbw=5,\"123\",129,\"\xC0\xED\xED\xE0\"", -1},
        {Step::Kind::Command, "at+cmgf=1", -1},
        {Step::Kind::Command, "at+cmgl=\"ALL\"", -1},
        {Step::Kind::Command, "at+cmgf=0", -1},
        {Step::Kind::Command, "at+cmgl=4", -1},
        {Step::Kind::Command, "at+mmgl", -1},
        {Step::Kind::Command, "at+mdbr=1,10", -1},
        {Step::Kind::Command, "at+cgsn", -1},
        {Step::Kind::Command, "atd+79161234567;", -1},
        {Step::Kind::SendSms, "+79161234567", -1},
        {Step::Kind::Command, "at+cmgf=1", -1},
        {Step::Kind::SendSms, "+79161234567", -1},
    };
    celltalk::Config cfg;
    cfg.dir = fuzz::scratchDir();
    cfg.comPort = "SIM";
    cfg.timeoutSec = 0.01;
    cfg.commandLimitSec = 1;
    td::files::makeDir(cfg.autoRunDir());
    FuzzPhone phone(fuzz::split(std::string_view(reinterpret_cast<const char*>(data), size), '\0'));
    celltalk::Outputs out(cfg);
    try {
        out.log.open();
        celltalk::Executor ex(phone, out, cfg, {"+79161234567", "\xCF\xF0\xE8\xE2\xE5\xF2 Hi"});
        ex.run(steps);
        out.commitAll();
    } catch (const celltalk::EngineError&) {
        out.discardResults();
        out.log.discard();
    }
    return 0;
}
