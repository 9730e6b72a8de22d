#include "binding/binding.h"

#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace td::binding {

const std::array<FunctionSpec, FunctionCount>& functions() {
    // Panel, caption and hint; the key comes from the Functions keys, in
    // their order, leaving out the two command templates.
    static const std::array<FunctionSpec, FunctionCount> table = [] {
        std::array<FunctionSpec, FunctionCount> t = {{
            {"pCall", "Звонить", "Звонить по выбранному из списка номеру"},
            {"pHangUp", "Прервать", "Прервать набор номера"},
            {"pSoundUp", "Громче", "Увеличить громкость динамика"},
            {"pSoundDown", "Тише", "Уменьшить громкость динамика"},
            {"pPhoneBook", "Тел. книга", "Считать телефонную книгу из аппарата"},
            {"pSentSMS", "Отправл. SMS", "Считать ранее отправленные SMS из аппарата"},
            {"preSendSMS", "Повтор SMS", "Отправить ранее отправленное  SMS-сообщение"},
            {"platSendSMS", "Нов. Lat SMS", "Отправить SMS \"по-латински\""},
            {"prusSendSMS", "Нов. Рус SMS", "Отправить SMS по-русски"},
            {"pMissCall", "Вам звонили", "Считать пропущенные вызовы из аппарата"},
            {"pUnReadSMS", "Не прочт. SMS", "Считать Не прочтённые SMS из аппарата"},
            {"pAllSMS", "Все SMS", "Считать ВСЕ SMS из аппарата"},
            {"pDeleteSMS", "Удалить SMS", "Удалить SMS по номеру"},
            {"pMemDayBook", "Ежедневник", "Считать записи ежедневника из аппарата"},
            {"pMemDayBookUnload", "Выгрузить ежед.",
             "Выгрузить ежедневник для последующей загрузки"},
            {"pUssd", "USSD-запрос", "Запрос баланса и другие USSD-запросы (окно \"Баланс\")"},
        }};
        std::size_t i = 0;
        for (const std::string& key : FunctionKeys)
            if (key.size() < 3 || key.compare(key.size() - 3, 3, "CMD") != 0) t.at(i++).key = key;
        t.at(UssdFunction).key = std::string(setting::UssdName.key);
        return t;
    }();
    return table;
}

int functionByCaption(const std::string& caption) {
    for (std::size_t i = 0; i < FunctionCount; ++i)
        if (W(functions()[i].caption) == caption) return static_cast<int>(i);
    return -1;
}

namespace {
std::string& ussdBinding() {
    static std::string binding = W(setting::UssdName.def);
    return binding;
}
}  // namespace

std::string& bindingOf(std::size_t i) {
    if (i == UssdFunction) return ussdBinding();
    return *prog().function(functions().at(i).key);
}

void loadOwnBindings(const IniFile& ownIni) {
    ussdBinding() = readSetting(ownIni, setting::UssdName);
}

Operations readOperations(const IniFile& operIni) {
    Operations ops;
    for (auto& [name, line] : operIni.readSection(std::string(setting::OperationsSection))) {
        ops.names.push_back(name);
        ops.lines.push_back(line);
    }
    return ops;
}

std::string operationHint(const std::string& commandLine) {
    if (commandLine.empty()) return W("Операция пустая !?!");
    std::string hint = commandLine;
    for (char& c : hint)
        if (c == '|') c = 'l';
    return hint;
}

int findOperation(const std::vector<std::string>& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    return -1;
}

std::string replaceQuestion(const std::string& function, const std::string& bound,
                            const std::string& pending) {
    return W("Вы действительно хотите для кнопки \"") + function + "\"\r" +
           W(" заменить операцию ") + "\r\r\"" + bound + "\"\r\r" + W(" на операцию ") + "\r\r\"" +
           pending + "\"";
}

std::string NoFunctionChosenText() {
    return W("- Вы не выбрали кнопку");
}

bool writeFunctions(IniFile& ownIni) {
    for (std::size_t i = 0; i < UssdFunction; ++i)
        if (!ownIni.writeString(std::string(setting::FunctionsSection), functions()[i].key,
                                bindingOf(i)))
            return false;
    return writeSetting(ownIni, setting::UssdName, bindingOf(UssdFunction));
}

bool writeCloseSettings(bool showEngine, bool beep) {
    const Prog& p = prog();
    const std::string beepText = beep ? "YES" : "NO";
    bool allWritten = true;
    const std::string operPath = startPath(p.OperIniName);
    if (files::exists(operPath)) {
        IniFile oper(operPath);
        bool ok = writeSetting(oper, setting::EngineWindow, showEngine ? "Norm" : p.EngineWindow);
        ok = writeSetting(oper, setting::EngineBeep, beepText) && ok;
        allWritten = ok && allWritten;
    }
    const std::string ownPath = startPath(OwnIniName);
    if (files::exists(ownPath)) {
        IniFile own(ownPath);
        bool ok = writeSetting(own, setting::OwnWindow, showEngine ? "Norm" : "Min");
        ok = writeSetting(own, setting::OwnBeep, beepText) && ok;
        allWritten = ok && allWritten;
    }
    return allWritten;
}

bool statusReportsAsked(const std::string& dir) {
    const IniFile engine(files::join(dir, EngineIniName));
    std::string model = trim(readSetting(engine, setting::ModelIni));
    if (model.empty()) model = EngineIniName;
    const IniFile ops(files::join(dir, model));
    const std::string v =
        readSetting(ops, setting::StatusReport, readSetting(engine, setting::StatusReport));
    return upperAscii(trim(v)) == "YES";
}

bool askStatusReports(const std::string& dir, bool on) {
    IniFile engine(files::join(dir, EngineIniName));
    return writeSetting(engine, setting::StatusReport, on ? "YES" : "NO");
}

std::string modelNameOf(const std::string& iniName) {
    std::string name = iniName;
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot + 1);
    else
        name += ".";
    for (char& c : name)
        if (c == '.') c = ' ';
    return name;
}

ModelArea modelArea(const std::vector<std::string>& iniNames, const std::string& operIniName,
                    const IniFile* operIni) {
    ModelArea area;
    for (const std::string& n : iniNames) {
        if (n.empty() || n[0] == '.' || upperAscii(n) == upperAscii(OwnIniName)) continue;
        area.iniFiles.push_back(n);
    }
    if (!operIni) return area;
    for (std::size_t i = 0; i < area.iniFiles.size() && area.current < 0; ++i)
        if (equalsNoCase(area.iniFiles[i], operIniName)) area.current = static_cast<int>(i);
    area.fullName = readSetting(*operIni, setting::OperComment);
    area.modelName = modelNameOf(operIniName);
    return area;
}

// ---- Session ----------------------------------------------------------------

Session::Session(std::vector<std::string> operations) : ops_(std::move(operations)) {}

void Session::setOperations(std::vector<std::string> operations) {
    ops_ = std::move(operations);
    selected_ = -1;
}

void Session::activate() {
    readyEnabled_ = false;
    listEnabled_ = false;
}

bool Session::choose(std::size_t function) {
    chosen_ = static_cast<int>(function);
    bound_ = bindingOf(function);
    listEnabled_ = true;
    int found = findOperation(ops_, bound_);
    if (found >= 0) {
        selected_ = found;
        pending_.clear();
        // The operation clicked before belonged to the previous function;
        // saving now would offer an empty operation and could erase the
        // binding. A new click enables saving again.
        readyEnabled_ = false;
    }
    return found >= 0;
}

void Session::click(int row) {
    if (row < 0 || row >= static_cast<int>(ops_.size())) return;
    selected_ = row;
    pending_ = ops_[row];
    readyEnabled_ = true;
    resetEnabled_ = true;
}

Session::Save Session::save() {
    if (chosen_ < 0) {
        listEnabled_ = false;
        return Save::NoFunction;
    }
    if (selected_ < 0 || pending_.empty()) return Save::Nothing;
    return Save::Ask;
}

std::string Session::question() const {
    return replaceQuestion(chosenCaption(), bound_, pending_);
}

int Session::answer(bool yes) {
    if (!yes || chosen_ < 0) return -1;
    bindingOf(chosen_) = pending_;
    return chosen_;
}

void Session::reset() {
    selected_ = -1;
    chosen_ = -1;
    pending_.clear();
    bound_.clear();
    readyEnabled_ = false;
    listEnabled_ = false;
}

std::string Session::chosenCaption() const {
    return chosen_ < 0 ? std::string() : W(functions()[chosen_].caption);
}

}  // namespace td::binding
