// The include rules of the layers, checked on the source tree:
// - no file outside src/app includes app/ (only the app knows every window);
// - a window's class header is included only by the files of that window
//   and by src/app (or for a type a file receives, marked on the line);
// - the core (the files CMake puts into tapdeck_core) and the engine tools
//   include neither Qt nor a header of the window side; only the engine's
//   window module (tools/celltalk/window, loaded at run time) is Qt, and no
//   other engine file includes it;
// - nothing under tools/ includes a file of a window folder (a folder that
//   holds a window), not even its Qt-free files: the shared record formats
//   live in src/formats;
// - a window folder includes another window folder's files only for a type
//   it receives, marked on the line;
// - the core's shared layers (platform, engine, formats, exchange: the core
//   files outside a window folder) never include a window folder's file.
// The rules are a pure function of the files and their includes, tested on
// made-up trees first, then run on the real one.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What the rules look at in one file.
struct Source {
    std::vector<std::string> includes;  // as written: "<QDialog>", "\"app/forms.h\""
    std::set<std::string> defines;      // classes whose members it defines ("TForm1")
    // Window headers included only for a type the file receives, marked so
    // on the include line: #include "x/Y.h"  // type received
    std::set<std::string> received;
};
// Path relative to the source root ("src/phonebook/GetPBook.cpp") -> its source.
using Tree = std::map<std::string, Source>;

struct Layout {
    std::set<std::string> core;                        // sources and headers of tapdeck_core
    std::set<std::string> gui;                         // sources and headers of tapdeck_gui
    std::map<std::string, std::string> windowHeaders;  // header -> the TForm class it declares
};

std::string stem(const std::string& path) {
    return path.substr(0, path.rfind('.'));
}

bool under(const std::string& path, const std::string& folder) {
    return path.rfind(folder, 0) == 0;
}

// The folder of a path under src ("src/sms/x.h" -> "src/sms/"), or "".
std::string srcFolder(const std::string& path) {
    if (!under(path, "src/")) return {};
    size_t slash = path.find('/', 4);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The folders that hold a window.
std::set<std::string> windowFolders(const Layout& layout) {
    std::set<std::string> folders;
    for (const auto& [header, form] : layout.windowHeaders) folders.insert(srcFolder(header));
    return folders;
}

// An include as a path from the root ("app/forms.h" -> "src/app/forms.h").
std::string projectPath(const std::string& include) {
    if (include.size() < 2 || include.front() != '"') return {};
    return "src/" + include.substr(1, include.size() - 2);
}

std::vector<std::string> violations(const Tree& tree, const Layout& layout) {
    std::vector<std::string> out;
    const std::set<std::string> windowDirs = windowFolders(layout);
    for (const auto& [file, source] : tree) {
        const std::string folder = srcFolder(file);
        const bool inApp = under(file, "src/app/");
        const bool core = layout.core.count(file) > 0;
        const bool engineWindow = under(file, "tools/celltalk/window/");
        const bool tool = under(file, "tools/") && !engineWindow;
        for (const std::string& inc : source.includes) {
            const std::string target = projectPath(inc);
            const std::string what = file + " includes " + inc;
            if (under(file, "src/") && !inApp && under(target, "src/app/"))
                out.push_back(what + ": only src/app knows every window");
            auto window = layout.windowHeaders.find(target);
            if (window != layout.windowHeaders.end() && !inApp && stem(target) != stem(file) &&
                !source.defines.count(window->second) && !source.received.count(inc))
                out.push_back(what + ": another window's class");
            if ((core || tool) && (inc.rfind("<Q", 0) == 0 || layout.gui.count(target)))
                out.push_back(what + ": the core and the engine stay free of Qt and windows");
            if (tool && inc.find("window/") != std::string::npos)
                out.push_back(what + ": the engine's window is a module loaded at run time");
            const std::string targetFolder = srcFolder(target);
            const bool windowTarget = windowDirs.count(targetFolder) > 0;
            if (under(file, "tools/") && windowTarget)
                out.push_back(what + ": the engine and the phone use only core folders");
            if (core && !windowDirs.count(folder) && windowTarget)
                out.push_back(what + ": the core's shared layers include no window folder");
            if (windowDirs.count(folder) && windowTarget && targetFolder != folder &&
                !source.received.count(inc))
                out.push_back(what + ": another window folder's file");
        }
    }
    return out;
}

// ---- the rules on made-up trees ------------------------------------------------

TEST(Layering, RulesCatchEachKindOfWrongInclude) {
    Layout layout;
    layout.core = {"src/engine/settings.cpp", "src/engine/settings.h", "src/exchange/smscsv.cpp",
                   "src/sms/smslist.cpp"};
    layout.gui = {"src/widgets/stringgrid.h", "src/phonebook/GetPBook.h",
                  "src/phonebook/TpdPBook.h", "src/phonebook/GetPBook.cpp"};
    layout.windowHeaders = {{"src/phonebook/GetPBook.h", "TForm4"},
                            {"src/phonebook/TpdPBook.h", "TForm3"},
                            {"src/sms/GetSentSMS.h", "TForm5"}};
    auto src = [](std::vector<std::string> includes, std::set<std::string> defines = {},
                  std::set<std::string> received = {}) {
        return Source{std::move(includes), std::move(defines), std::move(received)};
    };
    struct Case {
        const char* name;
        Tree tree;
        size_t found;
    } cases[] = {
        {"window includes the app", {{"src/phonebook/GetPBook.cpp", src({"\"app/forms.h\""})}}, 1},
        {"the app includes windows",
         {{"src/app/forms.cpp", src({"\"app/forms.h\"", "\"phonebook/GetPBook.h\""})}},
         0},
        {"window includes its own header",
         {{"src/phonebook/GetPBook.cpp", src({"\"phonebook/GetPBook.h\"", "<QDialog>"})}},
         0},
        {"window includes another window",
         {{"src/phonebook/GetPBook.cpp", src({"\"phonebook/TpdPBook.h\""}, {"TForm4"})}},
         1},
        {"a window split over several files",
         {{"src/phonebook/PBookActions.cpp", src({"\"phonebook/GetPBook.h\""}, {"TForm4"})}},
         0},
        {"a window type received",
         {{"src/sms/GetUnReadSMS.cpp",
           src({"\"phonebook/GetPBook.h\""}, {}, {"\"phonebook/GetPBook.h\""})}},
         0},
        {"core includes Qt", {{"src/engine/settings.cpp", src({"<QString>"})}}, 1},
        {"core includes a widget",
         {{"src/engine/settings.h", src({"\"widgets/stringgrid.h\""})}},
         1},
        {"engine includes Qt", {{"tools/celltalk/engine.cpp", src({"<QFile>"})}}, 1},
        {"engine includes core",
         {{"tools/celltalk/engine.cpp", src({"\"engine/settings.h\""})}},
         0},
        {"engine window module uses Qt",
         {{"tools/celltalk/window/runwindow.cpp", src({"<QWidget>", "\"windowrun.h\""})}},
         0},
        {"engine includes its window module",
         {{"tools/celltalk/main.cpp", src({"\"window/runwindow.h\""})}},
         1},
        {"engine includes a window folder's record",
         {{"tools/celltalk/answers.cpp", src({"\"phonebook/pbparser.h\""})}},
         1},
        {"engine includes a shared format",
         {{"tools/celltalk/answers.cpp", src({"\"formats/smsrecord.h\""})}},
         0},
        {"window folder includes another window folder's logic",
         {{"src/sms/smslist.cpp", src({"\"phonebook/pbparser.h\""})}},
         1},
        {"the exchange includes a window folder's logic",
         {{"src/exchange/smscsv.cpp", src({"\"sms/smslist.h\""})}},
         1},
        {"the exchange includes a shared format",
         {{"src/exchange/smscsv.cpp", src({"\"formats/smslistfile.h\""})}},
         0},
        {"window folder includes a shared format",
         {{"src/sms/smslist.cpp", src({"\"formats/pbrecord.h\""})}},
         0},
        {"faults add up in one file",
         {{"src/sms/GetSentSMS.cpp", src({"\"app/forms.h\"", "\"phonebook/GetPBook.h\""})}},
         3},
    };
    for (const auto& c : cases) EXPECT_EQ(violations(c.tree, layout).size(), c.found) << c.name;
}

// ---- the real tree -------------------------------------------------------------

const fs::path kRoot = TAPDECK_SOURCE_DIR;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Tree scanTree() {
    static const std::regex include(R"(^\s*#\s*include\s*([<"][^>"]+[>"]))");
    static const std::regex member(R"(^[\w:<>*& ]*\b(TForm\d+)::~?\w+\()");
    Tree tree;
    for (const char* top : {"src", "tools"}) {
        for (const auto& e : fs::recursive_directory_iterator(kRoot / top)) {
            const std::string ext = e.path().extension().string();
            if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            Source& source = tree[fs::relative(e.path(), kRoot).generic_string()];
            std::istringstream lines(readAll(e.path()));
            std::smatch m;
            for (std::string line; std::getline(lines, line);) {
                if (std::regex_search(line, m, include)) {
                    source.includes.push_back(m[1]);
                    if (line.find("// type received") != std::string::npos)
                        source.received.insert(m[1]);
                }
                if (std::regex_search(line, m, member)) source.defines.insert(m[1]);
            }
        }
    }
    return tree;
}

// Which library each listed source belongs to, from the folders'
// CMakeLists.txt; a header goes with its .cpp.
Layout scanLayout(const Tree& tree) {
    static const std::regex sources(
        R"(target_sources\((tapdeck_core|tapdeck_gui)\s+PRIVATE([^)]*)\))");
    static const std::regex window(R"(class\s+(TForm\d+)\s*:)");
    Layout layout;
    for (const auto& e : fs::directory_iterator(kRoot / "src")) {
        const std::string text = readAll(e.path() / "CMakeLists.txt");
        const std::string dir = "src/" + e.path().filename().string() + "/";
        for (std::sregex_iterator i(text.begin(), text.end(), sources), end; i != end; ++i) {
            std::set<std::string>& lib = (*i)[1] == "tapdeck_core" ? layout.core : layout.gui;
            std::istringstream names((*i)[2].str());
            for (std::string name; names >> name;) {
                lib.insert(dir + name);
                if (tree.count(stem(dir + name) + ".h")) lib.insert(stem(dir + name) + ".h");
            }
        }
    }
    for (const auto& [file, source] : tree) {
        std::smatch m;
        const std::string text = readAll(kRoot / file);
        if (under(file, "src/") && file.ends_with(".h") && std::regex_search(text, m, window))
            layout.windowHeaders[file] = m[1];
    }
    return layout;
}

TEST(Layering, TheSourceTreeKeepsItsLayers) {
    Tree tree = scanTree();
    Layout layout = scanLayout(tree);
    // The scan itself works: the eleven windows and both libraries are found.
    EXPECT_EQ(layout.windowHeaders.size(), 11u);
    EXPECT_TRUE(layout.core.count("src/engine/readcycle.cpp"));
    EXPECT_TRUE(layout.core.count("src/formats/pbrecord.h"));
    EXPECT_TRUE(windowFolders(layout).count("src/sms/"));
    EXPECT_TRUE(layout.gui.count("src/widgets/stringgrid.h"));
    EXPECT_TRUE(tree.count("tools/celltalk/engine.cpp"));
    for (const std::string& v : violations(tree, layout)) ADD_FAILURE() << v;
}

}  // namespace
