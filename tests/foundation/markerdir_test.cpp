// Where the satellite markers live: one user's folder, never a folder that
// other users share.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "platform/services.h"

namespace fs = std::filesystem;

namespace {

// Sets environment variables for one case and puts the old values back.
class Env {
  public:
    void set(const std::string& name, const std::optional<std::string>& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    ~Env() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace

TEST(MarkerDir, MarkersAreKeptPerUser) {
    const std::string uid = std::to_string(::geteuid());
    struct Case {
        const char* name;
        bool override_;          // TAPDECK_MARKER_DIR set
        int runtimeMode;         // mode of $XDG_RUNTIME_DIR; 0: not set
        int sharedOwnMode;       // mode of a tapdeck-<uid> already in TMPDIR; 0: none
        std::string expected;    // relative to the case's scratch folder
        bool expectPrivateMade;  // the folder is made with mode 0700
    } cases[] = {
        {"the tests' override wins", true, 0700, 0, "override", false},
        {"the user's runtime folder", false, 0700, 0, "run", false},
        {"no runtime folder: a private folder in TMPDIR", false, 0, 0, "tmp/tapdeck-" + uid, true},
        {"a runtime folder others may write in is not used", false, 0777, 0, "tmp/tapdeck-" + uid,
         true},
        {"a tapdeck-<uid> others may write in is not used", false, 0, 0777, "home/.cache/tapdeck",
         true},
    };
    for (const auto& c : cases) {
        fs::path root = fs::temp_directory_path() / ("markerdir-" + std::to_string(::getpid()) +
                                                     "-" + std::to_string(&c - cases));
        fs::remove_all(root);
        for (const char* sub : {"override", "run", "tmp", "home"})
            fs::create_directories(root / sub);
        Env env;
        env.set("TAPDECK_MARKER_DIR", c.override_
                                          ? std::optional<std::string>((root / "override").string())
                                          : std::nullopt);
        if (c.runtimeMode) ::chmod((root / "run").c_str(), static_cast<mode_t>(c.runtimeMode));
        env.set("XDG_RUNTIME_DIR",
                c.runtimeMode ? std::optional<std::string>((root / "run").string()) : std::nullopt);
        env.set("TMPDIR", (root / "tmp").string());
        env.set("HOME", (root / "home").string());
        if (c.sharedOwnMode) {
            fs::create_directories(root / "tmp" / ("tapdeck-" + uid));
            ::chmod((root / "tmp" / ("tapdeck-" + uid)).c_str(),
                    static_cast<mode_t>(c.sharedOwnMode));
        }
        std::string dir = td::markerDir();
        EXPECT_EQ(dir, (root / c.expected).string()) << c.name;
        if (c.expectPrivateMade) {
            struct stat st {};
            ASSERT_EQ(::stat(dir.c_str(), &st), 0) << c.name;
            EXPECT_EQ(st.st_mode & 0777, 0700u) << c.name;
        }
        EXPECT_EQ(td::mapMarkerPath("c:\\swapping.fl3"), dir + "/swapping.fl3") << c.name;
        fs::remove_all(root);
    }
}
