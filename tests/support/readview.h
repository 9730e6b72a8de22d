#pragma once
// A read view that keeps what the read cycle last set on it, for the tests of
// the cycle and of the readers built on it.

#include <string>

#include "engine/readcycle.h"

namespace td::test {

struct RecordingReadView : ReadView {
    std::string caption = RefreshCaption();
    unsigned color = NavyColor;
    std::string hint, status = "-", gridHint;
    bool enabled = true;
    std::string refreshCaption() const override { return caption; }
    void setRefreshCaption(const std::string& t) override { caption = t; }
    void setRefreshColor(unsigned rgb) override { color = rgb; }
    void setRefreshHint(const std::string& t) override { hint = t; }
    void setRefreshEnabled(bool on) override { enabled = on; }
    void setStatus(const std::string& t) override { status = t; }
    void setGridHint(const std::string& t) override { gridHint = t; }
};

}  // namespace td::test
