#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/cp1251.h"

namespace td::files {

namespace fs = std::filesystem;

std::string toOsPath(const std::string& path) {
    return cp1251ToUtf8(path);
}
std::string fromOsPath(const std::string& path) {
    return utf8ToCp1251(path);
}

std::string join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::string baseName(const std::string& path) {
    size_t p = path.find_last_of("/\\");
    return p == std::string::npos ? path : path.substr(p + 1);
}

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(toOsPath(path).c_str(), &st) == 0;
}

bool remove(const std::string& path) {
    std::string p = toOsPath(path);
    if (::unlink(p.c_str()) == 0) return true;
    return errno == ENOENT;
}

std::optional<long long> size(const std::string& path) {
    int fd = ::open(toOsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok) return std::nullopt;
    return static_cast<long long>(st.st_size);
}

std::optional<std::time_t> modificationTime(const std::string& path) {
    struct stat st;
    if (::stat(toOsPath(path).c_str(), &st) != 0) return std::nullopt;
    return st.st_mtime;
}

bool createEmpty(const std::string& path) {
    int fd = ::open(toOsPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool makeDir(const std::string& path) {
    std::error_code ec;
    fs::create_directories(fs::path(toOsPath(path)), ec);
    return fs::is_directory(fs::path(toOsPath(path)), ec);
}

std::vector<std::string> listIni(const std::string& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    std::string d = dir.empty() ? std::string(".") : toOsPath(dir);
    for (fs::directory_iterator it(d, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = it->path().filename().string();
        if (name.size() > 4 && upperAscii(name.substr(name.size() - 4)) == ".INI")
            out.push_back(fromOsPath(name));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string currentDir() {
    std::error_code ec;
    auto p = fs::current_path(ec);
    return ec ? std::string() : fromOsPath(p.string());
}

bool setCurrentDir(const std::string& dir) {
    return ::chdir(toOsPath(dir).c_str()) == 0;
}

bool readAll(const std::string& path, std::string& bytes) {
    bytes.clear();
    FILE* f = std::fopen(toOsPath(path).c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool readLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::string bytes;
    if (!readAll(path, bytes)) return false;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t nl = bytes.find('\n', start);
        size_t end = nl == std::string::npos ? bytes.size() : nl;
        size_t stop = end;
        if (stop > start && bytes[stop - 1] == '\r') --stop;
        lines.push_back(bytes.substr(start, stop - start));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return true;
}

bool writeAll(const std::string& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    std::string target = toOsPath(path);
    std::string tmp =
        target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter.fetch_add(1));
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += static_cast<size_t>(w);
    }
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

bool writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    return writeAll(path, bytes);
}

}  // namespace td::files
