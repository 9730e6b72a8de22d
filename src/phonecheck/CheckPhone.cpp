#include "phonecheck/CheckPhone.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/settings.h"
#include "phonecheck/checkcycle.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "widgets/gridview.h"

using td::fromWin;
using td::W;

namespace {
const char* const kUnset = "----";
}

// The update button and the status strip as the read cycle sees them.
class TForm10::View : public td::ReadView {
  public:
    View(QPushButton* button, QLabel* status) : button_(button), status_(status) {}
    std::string refreshCaption() const override { return td::toWin(button_->text()); }
    void setRefreshCaption(const std::string& t) override { button_->setText(fromWin(t)); }
    void setRefreshColor(unsigned rgb) override { td::setCaptionColor(button_, rgb); }
    void setRefreshHint(const std::string& t) override { button_->setToolTip(td::hintText(t)); }
    void setRefreshEnabled(bool on) override { button_->setEnabled(on); }
    void setStatus(const std::string& t) override {
        status_->setText(fromWin(t));
        status_->setToolTip(td::hintText(t));
    }
    void setGridHint(const std::string&) override {}

  private:
    QPushButton* button_;
    QLabel* status_;
};

TForm10::TForm10(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm10");
    setWindowTitle(fromWin(W("Основные характеристики Вашего телефона")));
    buildLayout();
    for (auto f :
         {&td::PhoneProperties::firm, &td::PhoneProperties::model, &td::PhoneProperties::imei,
          &td::PhoneProperties::soft, &td::PhoneProperties::battery, &td::PhoneProperties::signal})
        copy_.*f = std::string();

    view_ = std::make_unique<View>(bbCheckPhone, Panel5);
    td::ReadCycleHooks h;
    h.loadLastCopy = [this](const std::vector<std::string>& lines) {
        td::readPropertiesCopy(lines, copy_);
        shown_.caps = copy_.caps;
        shown_.firm = copy_.firm.value_or("");
        shown_.model = copy_.model.value_or("");
        shown_.imei = copy_.imei.value_or("");
        shown_.soft = copy_.soft.value_or("");
        shown_.battery = copy_.battery.value_or("");
        shown_.signal = copy_.signal.value_or("");
        showProperties();
    };
    h.parse = [this](const std::vector<std::string>& lines) {
        Panel5->setText(fromWin(td::CheckStatusCurrent()));
        shown_.caps = {};
        showCapabilities();
        td::parsePhoneLog(lines, checkList_, shown_);
        showProperties();
    };
    h.beepWanted = [this] { return beepWanted && beepWanted(); };
    cycle_ = std::make_unique<td::ReadCycle>(td::phoneCheckCycleConfig(flags_), *view_, h);
}

TForm10::~TForm10() = default;

void TForm10::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

// The settings in force are taken before a run, unless an update of this
// window is still under way (a click during its wait runs on its settings).
void TForm10::takeSettings() {
    if (updates_ == 0) cycle_->setConfig(td::phoneCheckCycleConfig(flags_));
}

void TForm10::FormActivate() {
    if (!sizeLocked_) {
        sizeLocked_ = true;
        setFixedSize(size());
    }
    checkList_.clear();
    flags_.update = false;
    if (CreCheckList()) ReadPropertiesPhone();
}

bool TForm10::CreCheckList() {
    const std::string batch = td::files::join(td::files::currentDir(), td::CheckBatchName);
    switch (td::prepareCheckBatch(td::startPath(td::OwnIniName), batch, checkList_)) {
        case td::CheckBatchResult::NoOwnIni:
            return false;
        case td::CheckBatchResult::TooFew:
            td::dialogs().message(td::CheckNotEnoughText());
            return false;
        case td::CheckBatchResult::CannotCreate:
            td::dialogs().message(td::CheckBatchErrorText());
            return false;
        case td::CheckBatchResult::Written:
            return true;
    }
    return false;
}

void TForm10::ReadPropertiesPhone() {
    takeSettings();
    afterRun(cycle_->run());
}

// What follows a run: after a read from the phone that left a log (parsed
// or not) the last copy is rewritten from what the window shows; the report
// follows every result that was shown.
void TForm10::afterRun(td::ReadOutcome outcome) {
    using td::ReadOutcome;
    switch (outcome) {
        case ReadOutcome::Parsed:
        case ReadOutcome::TooFewLines:
        case ReadOutcome::NotFound: {
            const std::string path = td::autoRunPath(td::PropCopyName);
            if (!td::files::writeLines(path, td::propertiesCopyLines(shown_)))
                td::dialogs().message(W("- Не удаётся записать файл \"") + path + "\"");
            CreateHelp();
            td::feedback().setHourglass(false);
            break;
        }
        case ReadOutcome::LastCopyShown:
        case ReadOutcome::LastCopyEmpty:
            CreateHelp();
            td::feedback().setHourglass(false);
            break;
        default:
            break;
    }
}

void TForm10::CreateHelp() {
    Memo1->clear();
    for (const std::string& line : td::checkReport(shown_.caps))
        Memo1->appendPlainText(fromWin(line));
}

// An update needs the whole check list: the engine would otherwise run an
// old or missing batch file and the parse would have no list to go by.
bool TForm10::checkListReady() {
    if (!td::files::exists(td::startPath(td::OwnIniName))) {
        td::dialogs().message(W("- Файл ") + td::OwnIniName + W(" - не найден"));
        td::files::setCurrentDir(td::prog().StartDir);
        return false;
    }
    return CreCheckList();
}

void TForm10::bbCheckPhoneClick() {
    const bool aborting = td::toWin(bbCheckPhone->text()) == td::AbortCaption();
    if (!aborting && !checkListReady()) return;
    bbCheckPhone->setEnabled(false);
    if (aborting) {
        cycle_->refreshClick();
        return;
    }
    takeSettings();
    ++updates_;
    cycle_->refreshClick();
    --updates_;
    bbCheckPhone->setEnabled(true);
    afterRun(cycle_->outcome());
}

void TForm10::bbLastCopyClick() {
    flags_.update = false;
    ReadPropertiesPhone();
}

void TForm10::showCapabilities() {
    for (int c = 0; c < td::CapCount; ++c) boxes_[c]->setChecked(shown_.caps[c]);
}

void TForm10::showProperties() {
    showCapabilities();
    auto show = [](QLabel* l, const std::optional<std::string>& text) {
        l->setText(fromWin(text.value_or(kUnset)));
    };
    show(lFirmName, shown_.firm);
    show(lModelName, shown_.model);
    show(lIMEIValue, shown_.imei);
    show(lSoftVersion, shown_.soft);
    show(lBatteryValue, shown_.battery);
    show(lSignalValue, shown_.signal);
    if (shown_.charging) lBatteryProgress->setVisible(*shown_.charging);
}

void TForm10::cbUCS2Click() {
    cbUCS2->setChecked(shown_.caps[td::CapUCS2]);
}
void TForm10::cbPCCP437Click() {
    cbPCCP437->setChecked(shown_.caps[td::CapPCCP437]);
}
void TForm10::cbUTF8Click() {
    cbUTF8->setChecked(shown_.caps[td::CapUTF8]);
}
void TForm10::cbUTF_8Click() {
    cbUTF_8->setChecked(shown_.caps[td::CapUTF_8]);
}
void TForm10::cbTextSMSClick() {
    cbTextSMS->setChecked(shown_.caps[td::CapTextSms]);
}
void TForm10::cbPDUSMSClick() {
    cbPDUSMS->setChecked(shown_.caps[td::CapPduSms]);
}

void TForm10::buildLayout() {
    auto label = [this](const char* name, const char* text) {
        auto* l = new QLabel(fromWin(W(text)), this);
        l->setObjectName(name);
        return l;
    };
    auto box = [this](QGroupBox* group, const char* name, const char* text) {
        auto* b = new QCheckBox(fromWin(W(text)), group);
        b->setObjectName(name);
        return b;
    };

    Panel5 = label("Panel5", "Применимость программы для работы с Вашим телефоном");
    Panel5->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel5->setAlignment(Qt::AlignCenter);
    Panel5->setMinimumHeight(26);

    grbCoding = new QGroupBox(fromWin(W("Кодировки обмена данными ")), this);
    grbCoding->setObjectName("grbCoding");
    cbUCS2 = box(grbCoding, "cbUCS2", "    UCS2");
    cbPCCP437 = box(grbCoding, "cbPCCP437", "    PCCP437");
    cbUTF8 = box(grbCoding, "cbUTF8", "    UTF8");
    cbUTF_8 = box(grbCoding, "cbUTF_8", "    UTF-8");
    auto* coding = new QVBoxLayout(grbCoding);
    for (QCheckBox* b : {cbUCS2, cbPCCP437, cbUTF8, cbUTF_8}) coding->addWidget(b);

    grbSMSFormat = new QGroupBox(fromWin(W("Форматы обмена SMS")), this);
    grbSMSFormat->setObjectName("grbSMSFormat");
    cbTextSMS = box(grbSMSFormat, "cbTextSMS", "Текстовые SMS");
    cbPDUSMS = box(grbSMSFormat, "cbPDUSMS", "PDU SMS");
    auto* format = new QVBoxLayout(grbSMSFormat);
    format->addWidget(cbTextSMS);
    format->addWidget(cbPDUSMS);
    format->addStretch();

    boxes_ = {cbUCS2, cbPCCP437, cbUTF8, cbUTF_8, cbTextSMS, cbPDUSMS};
    void (TForm10::*clicks[])() = {&TForm10::cbUCS2Click,    &TForm10::cbPCCP437Click,
                                   &TForm10::cbUTF8Click,    &TForm10::cbUTF_8Click,
                                   &TForm10::cbTextSMSClick, &TForm10::cbPDUSMSClick};
    for (int c = 0; c < td::CapCount; ++c) connect(boxes_[c], &QCheckBox::clicked, this, clicks[c]);

    auto* values = new QGridLayout;
    struct Value {
        const char* caption;
        QLabel** field;
        const char* name;
    } rows[] = {{"Производитель", &lFirmName, "lFirmName"},
                {"Модель телефона", &lModelName, "lModelName"},
                {"Серийный номер", &lIMEIValue, "lIMEIValue"},
                {"Версия ПО", &lSoftVersion, "lSoftVersion"},
                {"Заряд", &lBatteryValue, "lBatteryValue"},
                {"Сигнал", &lSignalValue, "lSignalValue"}};
    int r = 0;
    for (const Value& v : rows) {
        values->addWidget(new QLabel(fromWin(W(v.caption)), this), r, 0);
        *v.field = label(v.name, kUnset);
        (*v.field)->setTextInteractionFlags(Qt::TextSelectableByMouse);
        (*v.field)->setMinimumWidth(190);
        values->addWidget(*v.field, r++, 1);
    }
    lBatteryProgress = label("lBatteryProgress", "Идёт зарядка батареи ");
    lBatteryProgress->setStyleSheet("color: #008000;");
    lBatteryProgress->hide();
    values->addWidget(lBatteryProgress, r, 1);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setPlainText(fromWin(
        W("Здесь показано, какие кодировки и форматы SMS Ваш телефон может использовать при "
          "работе с этой программой и программой CellTalk. Нажмите \"Обновить\", чтобы "
          "проверить телефон, или \"Последняя копия\", чтобы увидеть результат прошлой "
          "проверки.")));

    lComment = label("lComment",
                     "Если  значения пустые,  информации нет или она представлена в "
                     "нестандартном виде ");
    lComment->setWordWrap(true);

    bbLastCopy = td::navyButton(this, "bbLastCopy", "Последняя копия",
                                "Последняя копия характеристик телефона");
    bbCheckPhone = td::navyButton(this, "bbCheckPhone", "Обновить",
                                  "Отправка в телефон команд и анализ результатов их выполнения");
    for (QPushButton* b : {bbLastCopy, bbCheckPhone}) b->setAutoDefault(false);
    connect(bbLastCopy, &QPushButton::clicked, this, &TForm10::bbLastCopyClick);
    connect(bbCheckPhone, &QPushButton::clicked, this, &TForm10::bbCheckPhoneClick);

    auto* top = new QHBoxLayout;
    top->addWidget(grbCoding);
    top->addWidget(grbSMSFormat);
    top->addLayout(values, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lComment, 1);
    buttons->addWidget(bbLastCopy);
    buttons->addWidget(bbCheckPhone);
    auto* all = new QVBoxLayout(this);
    all->addWidget(Panel5);
    all->addLayout(top);
    all->addWidget(Memo1, 1);
    all->addLayout(buttons);
    resize(720, 470);
}
