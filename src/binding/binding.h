#pragma once
// Binding the program's functions to engine operations, without widgets:
// the table of the functions, the operation list of the operations
// ini, the texts the settings window shows and asks, the window's choice
// state, and what it writes to the ini files. Texts are Windows-1251.

#include <array>
#include <string>
#include <vector>

namespace td {
class IniFile;
}

namespace td::binding {

// One function of the program: its panel, caption, hint and Functions key.
// Captions and hints as UTF-8 literals (W() them).
struct FunctionSpec {
    const char* panel;
    const char* caption;
    const char* hint;
    std::string key;
};
// The fifteen functions of the main window's buttons, then the USSD
// request's operation (the USSD window reads its binding from the own ini
// at each request, so it is held here rather than as a program-wide value).
constexpr std::size_t FunctionCount = 16;
constexpr std::size_t UssdFunction = 15;
// In panel order, top to bottom; the Functions keys are written in this order.
const std::array<FunctionSpec, FunctionCount>& functions();
// The function whose caption (Windows-1251) is the given one; -1 if none.
int functionByCaption(const std::string& caption);
// The binding of function i (a program-wide value; the USSD one as last
// read from the own ini by loadOwnBindings, or as bound since).
std::string& bindingOf(std::size_t i);
// Reads the bindings the own ini alone holds (the USSD operation, its
// default when the key is missing).
void loadOwnBindings(const IniFile& ownIni);

// Section Operations of the operations ini in file order: the names and,
// index-aligned, their command lines.
struct Operations {
    std::vector<std::string> names;
    std::vector<std::string> lines;
};
Operations readOperations(const IniFile& operIni);

// The hint of the operation list for a command line: every "|" shown as
// "l"; an empty line gets a warning instead.
std::string operationHint(const std::string& commandLine);
// The entry exactly equal (letter case counts) to name; -1 when none.
int findOperation(const std::vector<std::string>& names, const std::string& name);

// The question before a binding is replaced.
std::string replaceQuestion(const std::string& function, const std::string& bound,
                            const std::string& pending);
std::string NoFunctionChosenText();  // "- Вы не выбрали кнопку"

// Writes the Functions keys from the current bindings, in table order.
// false when the file could not be written.
bool writeFunctions(IniFile& ownIni);

// The check boxes written at every close of the window: to the operations
// ini when it exists (engine window: "Norm" or the engine's own mode; beep)
// and to the own ini when it exists (window: "Norm" or "Min"; beep). A
// failed write is reported as unsaved (reportUnsaved); false when any failed.
bool writeCloseSettings(bool showEngine, bool beep);

// The engine's StatusReport switch in the folder `dir`, as the engine reads
// it (the operations ini's own first, then celltalk.ini), and written into
// celltalk.ini; false when the write failed (reported as unsaved).
bool statusReportsAsked(const std::string& dir);
bool askStatusReports(const std::string& dir, bool on);

// The phone-model area: the ini files of the start folder a user could
// pick (the own ini and hidden names left out), which one is current, its
// description and its base name.
struct ModelArea {
    std::vector<std::string> iniFiles;
    int current = -1;
    std::string fullName;
    std::string modelName;
};
ModelArea modelArea(const std::vector<std::string>& iniNames, const std::string& operIniName,
                    const IniFile* operIni);
// "celltalk.ini" -> "celltalk ": the extension becomes ".", every "." a blank.
std::string modelNameOf(const std::string& iniName);

// What the window shows and holds while a user binds: the chosen function,
// its binding when chosen, the operation last clicked, and which controls
// are usable.
class Session {
  public:
    explicit Session(std::vector<std::string> operations = {});

    void setOperations(std::vector<std::string> operations);
    const std::vector<std::string>& operations() const { return ops_; }

    // The window is shown again: nothing may be bound before a function is chosen.
    void activate();

    // A function panel: returns whether its binding was found in the list.
    bool choose(std::size_t function);
    // An operation clicked in the list (row -1: nothing selected).
    void click(int row);

    enum class Save { NoFunction, Nothing, Ask };
    // The save button: what to do next. Ask: put question() to the user,
    // then call answer().
    Save save();
    std::string question() const;
    // The user's answer: Yes binds the pending operation. Returns the index
    // of the function bound, or -1.
    int answer(bool yes);

    void reset();

    int chosen() const { return chosen_; }
    std::string chosenCaption() const;
    const std::string& bound() const { return bound_; }
    const std::string& pending() const { return pending_; }
    int selected() const { return selected_; }
    bool listEnabled() const { return listEnabled_; }
    bool readyEnabled() const { return readyEnabled_; }
    bool resetEnabled() const { return resetEnabled_; }

  private:
    std::vector<std::string> ops_;
    int chosen_ = -1;
    std::string bound_;
    std::string pending_;
    int selected_ = -1;
    bool listEnabled_ = false;
    bool readyEnabled_ = false;
    bool resetEnabled_ = true;
};

}  // namespace td::binding
