#include "control.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/cp1251.h"

namespace phonesim {

ControlFeed::ControlFeed(std::string path) : path_(std::move(path)) {
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) offset_ = st.st_size;
}

std::vector<std::string> ControlFeed::newLines() {
    std::vector<std::string> lines;
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return lines;
    if (st.st_size < offset_) {  // cut short or replaced: read it anew
        offset_ = 0;
        partial_.clear();
    }
    if (st.st_size == offset_) return lines;
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return lines;
    char buf[4096];
    ssize_t n;
    while ((n = ::pread(fd, buf, sizeof buf, offset_)) > 0) {
        partial_.append(buf, static_cast<size_t>(n));
        offset_ += n;
    }
    ::close(fd);
    size_t pos;
    while ((pos = partial_.find('\n')) != std::string::npos) {
        std::string line = partial_.substr(0, pos);
        partial_.erase(0, pos + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!td::trim(line).empty()) lines.push_back(line);
    }
    return lines;
}

ControlResult applyControl(Phone& phone, const std::string& line) {
    const std::string text = td::trim(line);
    const size_t blank = text.find(' ');
    const std::string word = text.substr(0, blank);
    std::string rest = blank == std::string::npos ? "" : td::trim(text.substr(blank + 1));
    if (word == "hangup" && rest.empty()) return {true, phone.callerHangsUp()};
    const size_t end = rest.find(' ');
    const std::string number = rest.substr(0, end);
    if (number.empty()) return {false, {}};
    if (word == "call" && end == std::string::npos) return {true, phone.incomingCall(number)};
    if (word == "sms")
        return {true,
                phone.receiveSms(number, end == std::string::npos ? "" : rest.substr(end + 1))};
    return {false, {}};
}

}  // namespace phonesim
