// The main window's controls: bands from top to bottom, every control at a
// fixed place as designed for the 702 x 535 window (outer size).

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QValidator>

#include "engine/settings.h"
#include "main/MainIcons.h"
#include "main/TapdeckP.h"
#include "main/mainlogic.h"
#include "platform/qtservices.h"

using td::icons::Picture;

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The Latin SMS field: every character outside ASCII becomes "." as it
// enters the field, whether typed or pasted.
class LatinValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar& c : input)
            if (c.unicode() >= 128) c = QLatin1Char('.');
        return Acceptable;
    }
};

QLabel* titleBand(QWidget* parent, const char* name, const char* text, const QColor& colour,
                  int y) {
    auto* l = new QLabel(Q(text), parent);
    l->setObjectName(name);
    l->setGeometry(0, y, TForm1::DesignWidth, 22);
    l->setAlignment(Qt::AlignCenter);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Raised);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::WindowText, QColor(0, 0, 128));
    l->setPalette(pal);
    // Bold when the text fits so, else plain, else a little smaller: never clipped.
    QFont f = l->font();
    f.setBold(true);
    const int room = TForm1::DesignWidth - 12;
    if (QFontMetrics(f).horizontalAdvance(l->text()) > room) f.setBold(false);
    while (QFontMetrics(f).horizontalAdvance(l->text()) > room && f.pointSize() > 6)
        f.setPointSize(f.pointSize() - 1);
    l->setFont(f);
    return l;
}

QFrame* band(QWidget* parent, const char* name, int y, int height) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setGeometry(0, y, TForm1::DesignWidth, height);
    f->setFrameShape(QFrame::Panel);
    f->setFrameShadow(QFrame::Raised);
    return f;
}

// A thin coloured panel between groups of the call row.
void separator(QWidget* parent, const char* name, int x) {
    auto* s = new QFrame(parent);
    s->setObjectName(name);
    s->setGeometry(x, 4, 4, 88);
    s->setAutoFillBackground(true);
    QPalette pal = s->palette();
    pal.setColor(QPalette::Window, QColor(110, 160, 210));
    s->setPalette(pal);
}

QPushButton* button(QWidget* parent, const char* name, const char* text, Picture picture,
                    const QRect& geometry, const char* hint = nullptr) {
    auto* b = new QPushButton(Q(text), parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    b->setIcon(td::icons::icon(picture));
    b->setIconSize(text[0] ? QSize(24, 24) : QSize(30, 30));
    if (hint) b->setToolTip(Q(hint));
    return b;
}

QComboBox* combo(QWidget* parent, const char* name, const QRect& geometry, const char* hint) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);  // Enter never adds a line to the list
    c->setGeometry(geometry);
    c->setToolTip(Q(hint));
    c->setMaxVisibleItems(20);
    return c;
}

QLabel* label(QWidget* parent, const char* name, const char* text, const QRect& geometry) {
    auto* l = new QLabel(Q(text), parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

QCheckBox* cycleBox(QWidget* parent, const char* name, const QRect& geometry) {
    auto* c = new QCheckBox(Q("Зациклить"), parent);
    c->setObjectName(name);
    c->setGeometry(geometry);
    c->setVisible(false);  // shown only when the model marker exists
    return c;
}

}  // namespace

void TForm1::buildLayout() {
    QFont f = font();
    f.setPointSize(9);
    setFont(f);
    setStyleSheet("QPushButton, QToolButton { color: navy; }");
    resize(DesignWidth, DesignHeight - FrameAllowance);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(DesignWidth / 2, DesignHeight / 2));
    }

    // Call row.
    Panel2 = titleBand(this, "Panel2",
                       "Вызов абонентов через сотовый телефон, подключённый к компьютеру",
                       QColor(200, 240, 200), 0);
    PanelDirectCall = band(this, "PanelDirectCall", 22, 96);
    QWidget* row = PanelDirectCall;
    bbHelp = button(row, "bbHelp", "", Picture::Help, {6, 4, 40, 42}, "Об этой программе");
    bbSetUp = button(row, "bbSetUp", "", Picture::SetUp, {6, 50, 40, 42},
                     "Настройка функций кнопок и другого");
    separator(row, "PanelSepNumber", 50);
    ComboBoxAbonentName = combo(row, "ComboBoxAbonentName", {58, 8, 212, 28},
                                "Можно выбрать из списка или написать номер телефона прямо в окне");
    // The dialled number leaves room beside it for "Баланс", which covers
    // nothing the row shows as designed (a long number is shown smaller).
    LabelPhoneNumber = label(row, "LabelPhoneNumber", "", {58, 50, 146, 28});
    LabelPhoneNumber->setToolTip(Q("Это реальный набираемый номер"));
    LabelPhoneNumber->setFrameShape(QFrame::Panel);
    LabelPhoneNumber->setFrameShadow(QFrame::Sunken);
    LabelPhoneNumber->setAlignment(Qt::AlignCenter);
    QFont bold = LabelPhoneNumber->font();
    bold.setBold(true);
    bold.setPointSize(DialNumberPointSize);
    LabelPhoneNumber->setFont(bold);
    bbUssd = new QPushButton(Q("Баланс"), row);
    bbUssd->setObjectName("bbUssd");
    bbUssd->setGeometry(208, 50, 62, 28);
    bbUssd->setToolTip(Q("USSD-запрос: баланс и другие службы оператора"));
    separator(row, "PanelSepCall", 274);
    bbCall = button(row, "bbCall", "Звонить", Picture::Call, {282, 4, 112, 42});
    bbHangUp = button(row, "bbHangUp", "Прервать", Picture::HangUp, {282, 50, 112, 42});
    separator(row, "PanelSepSound", 398);
    bbSoundUp = button(row, "bbSoundUp", "Громче", Picture::SoundUp, {406, 4, 100, 42});
    bbSoundDown = button(row, "bbSoundDown", "Тише", Picture::SoundDown, {406, 50, 100, 42});
    separator(row, "PanelSepWindows", 510);
    bbPhoneBook = button(row, "bbPhoneBook", "", Picture::PhoneBook, {518, 4, 58, 42},
                         "Ведение телефонной книги ЭТОЙ программы");
    bbPBookModify = button(row, "bbPBookModify", "", Picture::PBookModify, {578, 4, 58, 42},
                           "Ведение телефонной книги в телефоне");
    bbMemDayBook = button(row, "bbMemDayBook", "", Picture::DateBook, {638, 4, 58, 42},
                          "Еженедельник (напоминания)");
    bbMissCall = button(row, "bbMissCall", "", Picture::MissCall, {518, 50, 58, 42},
                        "Вы пропустили  вызовы !?");
    bbUnReadSMS = button(row, "bbUnReadSMS", "", Picture::UnReadSMS, {578, 50, 58, 42},
                         "Прочесть НЕ прочтённые SMS ?");
    bbAllSMS = button(row, "bbAllSMS", "", Picture::AllSMS, {638, 50, 58, 42},
                      "Чтение всех SMS в телефоне");
    bbTestPhone =
        button(row, "bbTestPhone", "Кодировки? Формат SMS ?", Picture::SetUp, {518, 4, 178, 42});
    bbTestPhone->setVisible(false);
    const auto& p = td::prog();
    bbCall->setToolTip(td::fromWin(p.CallName));
    bbHangUp->setToolTip(td::fromWin(p.HangUpName));
    bbSoundUp->setToolTip(td::fromWin(p.SoundUpName));
    bbSoundDown->setToolTip(td::fromWin(p.SoundDownName));

    // Re-send band.
    Panel3 = titleBand(this, "Panel3",
                       "Отправка отправленных ранее SMS-сообщений через сотовый телефон, "
                       "подключённый к компьютеру",
                       QColor(215, 228, 248), 118);
    Panel9 = band(this, "Panel9", 140, 46);
    ComboBoxSMSText = combo(Panel9, "ComboBoxSMSText", {8, 9, 370, 28},
                            "Список ранее отправленных SMS-сообщений (из телефона)");
    bbSentSMS = button(Panel9, "bbSentSMS", "", Picture::SentSMS, {384, 5, 46, 36},
                       "Чтение списка отправленных SMS");
    bbReSend = button(Panel9, "bbReSend", "Послать ещё раз", Picture::ReSend, {436, 5, 162, 36},
                      "Послать ещё раз ранее отправленное SMS-сообщение, хранящеееся в телефоне ");
    CheckBoxCycleResent = cycleBox(Panel9, "CheckBoxCycleResent", {604, 12, 96, 22});
    CheckBoxCycleResent->setToolTip(Q("Чтобы прервать циклическую отправку  сбросьте флажок !"));

    // The two composing bands share one arrangement.
    struct Made {
        QFrame* band;
        QComboBox* recipients;
        QToolButton* clear;
        QLabel* number;
        QLabel* caption;
        QLineEdit* text;
        QLabel* length;
        QLabel* max;
        QLabel* parts;
        QPushButton* send;
        QComboBox* history;
        QLabel* note;
        QCheckBox* cycle;
    };
    struct Names {
        const char *band, *recipients, *clear, *number, *caption, *text, *length, *max, *send,
            *history, *note, *cycle, *captionText, *maxText, *noteText, *parts;
        int maxLength;
    };
    auto composing = [this](const Names& n, int y, int height) {
        Made m{};
        m.band = band(this, n.band, y, height);
        QWidget* b = m.band;
        m.recipients = combo(b, n.recipients, {8, 6, 236, 28}, "Выберите абонента-адресата");
        m.clear = new QToolButton(b);
        m.clear->setObjectName(n.clear);
        m.clear->setGeometry(248, 6, 28, 28);
        m.clear->setIcon(td::icons::icon(Picture::Clear));
        m.clear->setToolTip(Q("Очистить список телефонов"));
        m.number = label(b, n.number, "", {282, 6, 270, 28});
        QFont bold = m.number->font();
        bold.setBold(true);
        m.number->setFont(bold);
        m.caption = label(b, n.caption, n.captionText, {8, 36, 400, 18});
        m.text = new QLineEdit(b);
        m.text->setObjectName(n.text);
        m.text->setGeometry(8, 54, 458, 28);
        m.text->setMaxLength(n.maxLength);
        m.length = label(b, n.length, "0", {468, 54, 32, 28});
        m.length->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m.max = label(b, n.max, n.maxText, {502, 54, 60, 28});
        // The parts of a longer message, above the counter.
        m.parts = label(b, n.parts, "", {410, 36, 152, 18});
        m.parts->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m.send = button(b, n.send, "Послать", Picture::Send, {566, 44, 128, 38},
                        "Послать подготовленное SMS-сообщение");
        m.send->setEnabled(false);
        m.cycle = cycleBox(b, n.cycle, {566, 10, 128, 22});
        m.history = combo(b, n.history, {8, 88, 686, 28},
                          "Список ранее отправленных SMS-сообщений - выберите для отправки и/или "
                          "в качестве заготовки");
        m.history->lineEdit()->setMaxLength(td::mainlogic::smsSingleUnits(false));
        m.note = label(b, n.note, n.noteText, {8, 117, 686, 18});
        return m;
    };

    Panel4 = titleBand(this, "Panel4",
                       "Отправка формируемых (новых-лат) SMS-сообщений через сотовый телефон, "
                       "подключённый к компьютеру",
                       QColor(215, 228, 248), 186);
    Made lat = composing(
        {"Panel10", "ComboBoxSmsRecepter", "sbClearLatPhone", "lLatSMSPhoneNumber",
         "lLatSMSTextCaption", "leLatSMSText", "lLatSMSLen", "lLatSMSMax", "bbASCIISendSMS",
         "cbLatSMSHistory", "lLatHistoryNote", "CheckBoxCycleSendLat",
         "   Текст латинского SMS-сообщения", "==>160",
         "Воспользуйтесь прошлыми лат-сообщениями (отправлялись ранее) - отправьте повторно или "
         "измените",
         "lLatSMSParts", td::mainlogic::smsSingleUnits(false)},
        208, 144);
    lat.text->setValidator(new LatinValidator(lat.text));

    // Panel11 starts at 352: without the Cyrillic section the window ends there.
    Panel11 = titleBand(this, "Panel11",
                        "Отправка формируемых (новых-рус) SMS-сообщений через сотовый телефон, "
                        "подключённый к компьютеру",
                        QColor(215, 228, 248), 352);
    Made rus = composing(
        {"Panel12", "ComboBoxSmsRecepterRus", "sbClearRusPhone", "lRusSMSPhoneNumber",
         "lRusSMSTextCaption", "leRusSMSText", "lRusSMSLen", "lRusSMSMax", "bbRUSSendSMS",
         "cbRusSMSHistory", "lRusHistoryNote", "CheckBoxCycleSendRus",
         "   Текст русского SMS-сообщения", "==>70",
         "Воспользуйтесь прошлыми рус-сообщениями (отправлялись ранее) - отправьте повторно или "
         "измените",
         "lRusSMSParts", td::mainlogic::smsSingleUnits(true)},
        374, DesignHeight - FrameAllowance - 374);

    Panel10 = lat.band;
    ComboBoxSmsRecepter = lat.recipients;
    sbClearLatPhone = lat.clear;
    lLatSMSPhoneNumber = lat.number;
    lLatSMSTextCaption = lat.caption;
    leLatSMSText = lat.text;
    lLatSMSLen = lat.length;
    lLatSMSMax = lat.max;
    lLatSMSParts = lat.parts;
    bbASCIISendSMS = lat.send;
    cbLatSMSHistory = lat.history;
    lLatHistoryNote = lat.note;
    CheckBoxCycleSendLat = lat.cycle;

    Panel12 = rus.band;
    ComboBoxSmsRecepterRus = rus.recipients;
    sbClearRusPhone = rus.clear;
    lRusSMSPhoneNumber = rus.number;
    lRusSMSTextCaption = rus.caption;
    leRusSMSText = rus.text;
    lRusSMSLen = rus.length;
    lRusSMSMax = rus.max;
    lRusSMSParts = rus.parts;
    bbRUSSendSMS = rus.send;
    cbRusSMSHistory = rus.history;
    lRusHistoryNote = rus.note;
    CheckBoxCycleSendRus = rus.cycle;

    bbReSend->setEnabled(false);
}
