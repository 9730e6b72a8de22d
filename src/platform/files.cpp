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
    // A folder standing where a file is expected is no such file: reading it
    // gives nothing and writing it fails, so callers treat it as missing.
    struct stat st;
    return ::stat(toOsPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool pathExists(const std::string& path) {
    struct stat st;
    return ::lstat(toOsPath(path).c_str(), &st) == 0;
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
    if (writesEnded()) return false;
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
    struct stat st;
    if (::fstat(::fileno(f), &st) == 0 && st.st_size > 0)
        bytes.reserve(static_cast<size_t>(st.st_size));
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
    splitLines(bytes, lines);
    return true;
}

void splitLines(const std::string& bytes, std::vector<std::string>& lines) {
    lines.clear();
    size_t start = 0;
    while (start < bytes.size()) {
        size_t nl = bytes.find('\n', start);
        size_t end = nl == std::string::npos ? bytes.size() : nl;
        size_t stop = end;
        // CR CR LF (a file that went through two line-end conversions) ends
        // a line as CR LF does: no stray CR stays in the text.
        while (stop > start && bytes[stop - 1] == '\r') --stop;
        lines.push_back(bytes.substr(start, stop - start));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
}

namespace {

bool writeFully(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return true;
}

// The file a path finally names: a symbolic link is followed to its target
// (also a dangling one, whose target is then created), so that writing
// updates the linked file and keeps the link.
std::string finalTarget(const std::string& osPath) {
    std::string cur = osPath;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(cur.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return cur;
        std::error_code ec;
        fs::path link = fs::read_symlink(cur, ec);
        if (ec) return cur;
        cur = link.is_absolute() ? link.string() : (fs::path(cur).parent_path() / link).string();
    }
    return cur;
}

// Rewrites an existing file where it stands. Space for the new text is taken
// first, so a full disk fails before the old text is touched.
bool writeInPlace(const std::string& target, const std::string& bytes) {
    int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = true;
    if (!bytes.empty()) {
        int rc = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
        // Some file systems cannot reserve space; then the write itself must do.
        if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) {
            errno = rc;
            ok = false;
        }
    }
    ok = ok && writeFully(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
         ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    errno = err;
    return ok;
}

}  // namespace

namespace {
std::atomic<bool> g_writesEnded{false};
}

void endWrites() {
    g_writesEnded = true;
}
bool writesEnded() {
    return g_writesEnded;
}
void resumeWrites() {
    g_writesEnded = false;
}

bool writableFile(const std::string& path) {
    if (writesEnded()) return false;
    const std::string target = finalTarget(toOsPath(path));
    struct stat st;
    return ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0 &&
           ::access(target.c_str(), W_OK) == 0;
}

bool writeAll(const std::string& path, const std::string& bytes, int* error) {
    static std::atomic<unsigned> counter{0};
    auto fail = [&](int err) {
        if (error) *error = err;
        return false;
    };
    if (writesEnded()) return fail(ECANCELED);
    const std::string target = finalTarget(toOsPath(path));
    struct stat st;
    const bool existing = ::stat(target.c_str(), &st) == 0;
    mode_t mode = 0644;
    if (existing) {
        if (S_ISDIR(st.st_mode)) return fail(EISDIR);
        // A pipe or a device would be replaced by a plain file.
        if (!S_ISREG(st.st_mode)) return fail(ENODEV);
        // A file the user made read-only stays as it is.
        if ((st.st_mode & 0222) == 0) return fail(EACCES);
        if (::access(target.c_str(), W_OK) != 0) return fail(errno);
        mode = st.st_mode & 07777;
        // A second name (hard link) would be cut off by a replace.
        if (st.st_nlink > 1) return writeInPlace(target, bytes) || fail(errno);
    }

    const std::string tmp =
        target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter.fetch_add(1));
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        // No temporary file beside it (a read-only folder, say): an existing
        // writable file is rewritten where it stands.
        int err = errno;
        if (existing) return writeInPlace(target, bytes) || fail(errno);
        return fail(err);
    }
    bool ok = ::fchmod(fd, mode) == 0 && writeFully(fd, bytes) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return fail(err);
    }
    return true;
}

bool writeLines(const std::string& path, const std::vector<std::string>& lines, int* error) {
    std::string bytes;
    for (const auto& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    return writeAll(path, bytes, error);
}

}  // namespace td::files
