#include "formats/eventlog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace td {

namespace {

std::string field(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return text;
}

}  // namespace

std::string eventLogLine(const std::string& kind, const std::string& number,
                         const std::string& index, const std::string& text, std::time_t when) {
    char stamp[32];
    std::tm tm{};
    ::localtime_r(&when, &tm);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::string start = field(text);
    if (start.size() > EventTextChars) start.resize(EventTextChars);
    return std::string(stamp) + "\t" + kind + "\t" + field(number) + "\t" + field(index) + "\t" +
           start;
}

std::optional<EventRecord> readEventLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    std::string parts[4];
    for (std::string& p : parts) {
        size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return std::nullopt;
        p = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    if (parts[1].empty()) return std::nullopt;
    return EventRecord{parts[0], parts[1], parts[2], parts[3], std::string(line)};
}

std::vector<EventRecord> EventLogTail::poll() {
    std::vector<EventRecord> out;
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // Gone: whatever comes next under this name is a new file.
        if (started_) offset_ = inode_ = device_ = 0;
        started_ = true;
        return out;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return out;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const bool sameFile = st.st_ino == inode_ && st.st_dev == device_;
    if (!started_) {
        offset_ = size;  // old news; a half line at the end is taken when it ends
        if (size > 0) {
            // Start after the last line end, so a line being written now is
            // announced when it is whole.
            std::string tail(std::min<std::uint64_t>(size, 4096), '\0');
            ssize_t n = ::pread(fd, tail.data(), tail.size(), size - tail.size());
            if (n == static_cast<ssize_t>(tail.size())) {
                size_t nl = tail.rfind('\n');
                if (nl != std::string::npos) offset_ = size - tail.size() + nl + 1;
            }
        }
    } else if (!sameFile || size < offset_) {
        offset_ = 0;
    }
    started_ = true;
    inode_ = st.st_ino;
    device_ = st.st_dev;
    if (size > offset_) {
        std::string chunk(size - offset_, '\0');
        ssize_t n = ::pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(offset_));
        if (n > 0) {
            chunk.resize(static_cast<size_t>(n));
            size_t begin = 0;
            for (size_t nl; (nl = chunk.find('\n', begin)) != std::string::npos; begin = nl + 1)
                if (auto r = readEventLine(std::string_view(chunk).substr(begin, nl - begin)))
                    out.push_back(std::move(*r));
            offset_ += begin;
        }
    }
    ::close(fd);
    return out;
}

}  // namespace td
