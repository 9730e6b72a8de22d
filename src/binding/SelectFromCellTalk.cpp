#include "binding/SelectFromCellTalk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "widgets/gridview.h"

using td::fromWin;
using td::W;
namespace bind = td::binding;

namespace {

// The operation list: moving the selection with the keys counts as a click,
// as in a list box of the window system; focus alone selects nothing.
class OperList : public QListWidget {
  public:
    using QListWidget::QListWidget;
    std::function<void()> keySelected;

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        int before = currentRow();
        QListWidget::keyPressEvent(e);
        if (currentRow() != before && keySelected) keySelected();
    }
};

void notFound(const std::string& name) {
    td::dialogs().message(W("- Файл ") + name + W(" - не найден"));
    td::files::setCurrentDir(td::prog().StartDir);
}

}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm2");
    setWindowTitle(
        fromWin(W("Определение операций для кнопок и другие установки. Характеристики телефона ")));
    buildLayout();
}

bool TForm2::beepTicked() const {
    return CheckBoxBeep->isChecked();
}
void TForm2::setBeepTicked(bool on) {
    CheckBoxBeep->setChecked(on);
}
bool TForm2::engineWindowTicked() const {
    return CheckBoxWindowCellTalk->isChecked();
}
void TForm2::setEngineWindowTicked(bool on) {
    CheckBoxWindowCellTalk->setChecked(on);
}
bool TForm2::multiPhoneTicked() const {
    return CheckBoxMultiPhone->isChecked();
}

void TForm2::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TForm2::FormActivate() {
    td::Prog& p = td::prog();
    const std::string operPath = td::startPath(p.OperIniName);
    const bool operExists = td::files::exists(operPath);
    if (operExists) {
        bind::Operations ops = bind::readOperations(td::IniFile(operPath));
        ListBoxOper->clear();
        for (const std::string& name : ops.names) ListBoxOper->addItem(fromWin(name));
        operationLines_ = ops.lines;
        session_.setOperations(ops.names);
    } else {
        notFound(p.OperIniName);
    }
    bind::loadOwnBindings(td::IniFile(td::startPath(td::OwnIniName)));
    session_.activate();
    fillModelArea();
    showPort();
    showLivePhone();
    apply();
}

void TForm2::showLivePhone() {
    // The switch is read after the windows are made: the option shows at
    // each activation.
    const bool live = td::prog().LivePhone;
    if (CheckBoxResident->isHidden() == live) {
        CheckBoxStatusReport->setVisible(live);
        CheckBoxResident->setVisible(live);
        layout()->activate();  // placed now, not at the next turn of the event loop
    }
    if (!live) return;
    CheckBoxStatusReport->setChecked(bind::statusReportsAsked(td::prog().StartDir));
    const std::string own = td::startPath(td::OwnIniName);
    if (td::files::exists(own))
        CheckBoxResident->setChecked(
            td::readSetting(td::IniFile(own), td::setting::ResidentEngine) == "YES");
}

void TForm2::showPort() {
    lPort->setText(
        fromWin(W("Телефон: ") + td::phoneInUseText(td::enginePort(td::prog().StartDir))));
    cbPort->clear();
    cbPort->addItem(fromWin(W("SIM - имитатор телефона")));
    for (const bind::PortFound& f : ports_)
        cbPort->addItem(fromWin(f.name + (f.state.empty() ? "" : " - " + f.state)));
    cbPort->setCurrentIndex(-1);
}

void TForm2::bbFindPortClick() {
    td::feedback().setHourglass(true);
    bbFindPort->setEnabled(false);
    std::optional<std::vector<bind::PortFound>> found = bind::findPorts();
    bbFindPort->setEnabled(true);
    td::feedback().setHourglass(false);
    if (!found) {
        td::dialogs().message(W("- Не удаётся запустить CellTalk для поиска телефона"));
        return;
    }
    ports_ = *found;
    showPort();
    if (ports_.empty())
        td::dialogs().message(W("- Последовательных устройств не найдено: подключите телефон"));
    else
        cbPort->showPopup();
}

void TForm2::cbPortSelect(int index) {
    if (index < 0 || index > static_cast<int>(ports_.size())) return;
    const std::string port = index == 0 ? std::string("SIM") : ports_[index - 1].name;
    std::string note;
    if (bind::writeEnginePort(td::prog().StartDir, port, note) && !note.empty())
        td::dialogs().message(note);
    showPort();
}

QLayout* TForm2::buildPortRow() {
    lPort = new QLabel(this);
    lPort->setObjectName("lPort");
    cbPort = new QComboBox(this);
    cbPort->setObjectName("cbPort");
    cbPort->setToolTip(fromWin(W("Выберите порт, через который CellTalk работает с телефоном")));
    bbFindPort = td::navyButton(this, "bbFindPort", "Найти телефон",
                                "Найти последовательные устройства, на которых может быть телефон");
    connect(bbFindPort, &QPushButton::clicked, this, &TForm2::bbFindPortClick);
    connect(cbPort, &QComboBox::activated, this, &TForm2::cbPortSelect);
    cbPort->setPlaceholderText(fromWin(W("Другой порт: нажмите \"Найти телефон\"")));
    auto* row = new QHBoxLayout;
    row->addWidget(cbPort, 1);
    row->addWidget(bbFindPort);
    auto* rows = new QVBoxLayout;
    rows->addWidget(lPort);
    rows->addLayout(row);
    return rows;
}

// The phone-model area shows the ini files of the start folder and the
// current one; it offers no action of its own, so all of it stays disabled.
void TForm2::fillModelArea() {
    td::Prog& p = td::prog();
    const std::string remembered = td::files::currentDir();
    td::files::setCurrentDir(p.StartDir);
    std::vector<std::string> names = td::files::listIni(p.StartDir);
    if (!names.empty()) {
        const std::string operPath = td::startPath(p.OperIniName);
        const bool operExists = td::files::exists(operPath);
        td::IniFile oper(operPath);
        bind::ModelArea area = bind::modelArea(names, p.OperIniName, operExists ? &oper : nullptr);
        ComboBoxIniFile->clear();
        for (const std::string& n : area.iniFiles) ComboBoxIniFile->addItem(fromWin(n));
        if (operExists) {
            ComboBoxIniFile->setCurrentIndex(area.current);
            leModelFullName->setText(fromWin(area.fullName));
            leModelName->setText(fromWin(area.modelName));
        } else {
            notFound(p.OperIniName);
        }
    }
    td::files::setCurrentDir(remembered);
}

void TForm2::apply() {
    Panel12->setText(fromWin(session_.chosenCaption()));
    ListBoxOper->setEnabled(session_.listEnabled());
    bbReady->setEnabled(session_.readyEnabled());
    bbReset->setEnabled(session_.resetEnabled());
}

void TForm2::functionClick(std::size_t function) {
    const bool found = session_.choose(function);
    if (found) ListBoxOper->setCurrentRow(session_.selected());
    apply();
    // The unread-SMS function has never explained a missing binding.
    if (function != 10 && buttonMess) buttonMess(found, session_.chosenCaption(), session_.bound());
}

void TForm2::ListBoxOperClick() {
    const QList<QListWidgetItem*> chosen = ListBoxOper->selectedItems();
    if (chosen.isEmpty()) return;
    const int row = ListBoxOper->row(chosen.first());
    session_.click(row);
    const auto& lines = operationLines_;
    const std::string line = row < static_cast<int>(lines.size()) ? lines[row] : std::string();
    ListBoxOper->setToolTip(fromWin(bind::operationHint(line)));
    apply();
}

void TForm2::ListBoxOperDblClick() {
    ListBoxOperClick();
    bbReadyClick();
    accept();
}

void TForm2::bbReadyClick() {
    switch (session_.save()) {
        case bind::Session::Save::NoFunction:
            td::dialogs().message(bind::NoFunctionChosenText());
            apply();
            return;
        case bind::Session::Save::Nothing:
            return;
        case bind::Session::Save::Ask:
            break;
    }
    const int bound = session_.answer(td::dialogs().confirm(session_.question()));
    if (bound >= 0) panels_[bound]->setToolTip(fromWin(bind::bindingOf(bound)));
    const std::string own = td::startPath(td::OwnIniName);
    if (td::files::exists(own)) {
        td::SaveReport report;  // a failed write is told once, by the ini itself
        td::IniFile ini(own);
        bind::writeFunctions(ini);
    }
    apply();
}

void TForm2::bbResetClick() {
    session_.reset();
    ListBoxOper->clearSelection();
    ListBoxOper->setCurrentRow(-1);
    apply();
}

// The phone check window; the button is the window's cancel button, so the
// settings window closes once the phone check is closed.
void TForm2::bbTestPhoneClick() {
    if (phoneCheck) td::modalRunner().showModal(phoneCheck);
    reject();
}

void TForm2::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        bbTestPhoneClick();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TForm2::done(int r) {
    FormClose();
    QDialog::done(r);
}

void TForm2::FormClose() {
    td::SaveReport report;  // both inis' failures told in one message
    bind::writeCloseSettings(CheckBoxWindowCellTalk->isChecked(), CheckBoxBeep->isChecked());
    if (td::prog().LivePhone && td::files::exists(td::startPath(td::OwnIniName))) {
        td::IniFile own(td::startPath(td::OwnIniName));
        td::writeSetting(own, td::setting::ResidentEngine,
                         CheckBoxResident->isChecked() ? "YES" : "NO");
    }
}

void TForm2::buildLayout() {
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    Panel12 = new QLabel(this);
    Panel12->setObjectName("Panel12");
    Panel12->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel12->setAlignment(Qt::AlignCenter);
    Panel12->setMinimumHeight(24);
    column->addWidget(Panel12);
    for (std::size_t i = 0; i < bind::FunctionCount; ++i) {
        const bind::FunctionSpec& f = bind::functions()[i];
        QPushButton* b = td::navyButton(this, f.panel, f.caption, f.hint);
        b->setAutoDefault(false);
        b->setMinimumWidth(130);
        connect(b, &QPushButton::clicked, this, [this, i] { functionClick(i); });
        panels_[i] = b;
        column->addWidget(b);
    }
    column->addStretch();

    Panel2 = new QLabel(fromWin(W("Выберите кнопку и операцию для присвоения кнопке ")), this);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setMinimumHeight(24);

    auto* list = new OperList(this);
    list->setObjectName("ListBoxOper");
    list->keySelected = [this] { ListBoxOperClick(); };
    ListBoxOper = list;
    connect(ListBoxOper, &QListWidget::itemClicked, this, [this] { ListBoxOperClick(); });
    connect(ListBoxOper, &QListWidget::itemDoubleClicked, this, [this] { ListBoxOperDblClick(); });

    bbReady = td::navyButton(this, "bbReady", "Сохранить", "Присвоить кнопке выбранную операцию");
    bbReset = td::navyButton(this, "bbReset", "Сбросить", "Сбросить выбор");
    bbTestPhone = td::navyButton(this, "bbTestPhone", "Кодировки? Формат SMS ? Другое ...",
                                 "Проверить ключевые характеристики телефона");
    for (QPushButton* b : {bbReady, bbReset, bbTestPhone}) b->setAutoDefault(false);
    connect(bbReady, &QPushButton::clicked, this, &TForm2::bbReadyClick);
    connect(bbReset, &QPushButton::clicked, this, &TForm2::bbResetClick);
    connect(bbTestPhone, &QPushButton::clicked, this, &TForm2::bbTestPhoneClick);

    CheckBoxWindowCellTalk = new QCheckBox(fromWin(W("Показывать работу  CellTalk")), this);
    CheckBoxWindowCellTalk->setObjectName("CheckBoxWindowCellTalk");
    CheckBoxWindowCellTalk->setToolTip(fromWin(W("Открыать окно программы CellTalk")));
    CheckBoxBeep = new QCheckBox(fromWin(W("Сопровождать звуком")), this);
    CheckBoxBeep->setObjectName("CheckBoxBeep");
    CheckBoxMultiPhone = new QCheckBox(fromWin(W("СМС нескольким абонентам")), this);
    CheckBoxMultiPhone->setObjectName("CheckBoxMultiPhone");
    CheckBoxMultiPhone->setToolTip(fromWin(
        W("Допустить выбор нескольких абонентов для отправки одного сообщения (не запоминается)")));

    CheckBoxStatusReport = new QCheckBox(fromWin(W("Запрашивать отчёты о доставке SMS")), this);
    CheckBoxStatusReport->setObjectName("CheckBoxStatusReport");
    CheckBoxStatusReport->setToolTip(
        fromWin(W("Отправляемые SMS просят сеть сообщить о доставке (StatusReport в ") +
                td::EngineIniName + ")"));
    connect(CheckBoxStatusReport, &QCheckBox::clicked, this, [](bool on) {
        td::SaveReport report;
        bind::askStatusReports(td::prog().StartDir, on);
    });

    CheckBoxResident = new QCheckBox(fromWin(W("Следить за телефоном: новые SMS и звонки")), this);
    CheckBoxResident->setObjectName("CheckBoxResident");
    CheckBoxResident->setToolTip(fromWin(
        W("CellTalk остаётся подключённым к телефону, пока работает программа, и сообщает о "
          "новых SMS и звонках")));
    CheckBoxResident->hide();
    connect(CheckBoxResident, &QCheckBox::clicked, this, [this](bool on) {
        if (residentTicked) residentTicked(on);
    });

    auto* actions = new QHBoxLayout;
    actions->addWidget(bbReset);
    actions->addStretch();
    actions->addWidget(bbReady);
    auto* options = new QGridLayout;
    options->addWidget(CheckBoxWindowCellTalk, 0, 0);
    options->addWidget(CheckBoxBeep, 1, 0);
    options->addWidget(CheckBoxMultiPhone, 2, 0);
    // Shown with LivePhone (showLivePhone); hidden, their rows take no room.
    options->addWidget(CheckBoxStatusReport, 3, 0);
    CheckBoxStatusReport->hide();
    options->addWidget(CheckBoxResident, 4, 0);
    options->addWidget(bbTestPhone, 0, 1, 5, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(Panel2);
    right->addWidget(ListBoxOper, 1);
    right->addLayout(actions);
    right->addLayout(options);
    right->addLayout(buildPortRow());
    right->addWidget(buildModelArea());

    auto* all = new QHBoxLayout(this);
    all->addLayout(column);
    all->addLayout(right, 1);
    resize(640, 600);
}

QWidget* TForm2::buildModelArea() {
    auto* group = new QGroupBox(this);
    group->setObjectName("grbModel");
    ComboBoxIniFile = new QComboBox(group);
    ComboBoxIniFile->setObjectName("ComboBoxIniFile");
    ComboBoxIniFile->setToolTip(
        fromWin(W("INI-файлы с операциями (для различных моделей телефонов)")));
    ComboBoxIniFile->setEnabled(false);
    leModelName = new QLineEdit(group);
    leModelName->setObjectName("leModelName");
    leModelName->setMaxLength(8);
    leModelName->setToolTip(fromWin(W("это будет имя INI-файла (не болле 8 лат. букв и цифр)")));
    leModelFullName = new QLineEdit(group);
    leModelFullName->setObjectName("leModelFullName");
    leModelFullName->setToolTip(fromWin(W("Полное наименование системы опрераций")));
    for (QLineEdit* e : {leModelName, leModelFullName}) e->setReadOnly(true);

    const char* names[] = {"bbModelSetCurrent", "bbModelEdit",  "bbModelAdd",
                           "bbModelSave",       "bbModelReset", "bbModelDelete"};
    const char* captions[] = {"Установить", "Изменить", "Добавить",
                              "Сохранить",  "Сбросить", "Удалить"};
    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        modelButtons_[i] = td::navyButton(group, names[i], captions[i], "");
        modelButtons_[i]->setAutoDefault(false);
        modelButtons_[i]->setEnabled(false);
        buttons->addWidget(modelButtons_[i]);
    }
    auto* grid = new QGridLayout(group);
    grid->addWidget(ComboBoxIniFile, 0, 0, 1, 2);
    grid->addWidget(new QLabel(fromWin(W("Модель")), group), 1, 0);
    grid->addWidget(leModelName, 1, 1);
    grid->addWidget(new QLabel(fromWin(W("Полное название модели")), group), 2, 0);
    grid->addWidget(leModelFullName, 2, 1);
    grid->addLayout(buttons, 3, 0, 1, 2);
    return group;
}
