// Dialing, volume, SMS composing and sending, and navigation of the main window.

#include <QTest>
#include <QToolButton>

#include "mainfixture.h"
#include "support/shown.h"

using namespace tdtest;

namespace {
const char* kCall = "oper \"Набрать номер (ввод) и звонить\"";
}

class MainActionsTest : public MainWindowTest {
  protected:
    QComboBox* lat() { return child<QComboBox>(form, "ComboBoxSmsRecepter"); }
    void SetUp() override {
        MainWindowTest::SetUp();
        writeStandardFiles();
        start();
    }
};

TEST_F(MainActionsTest, CallDialsTheChosenNameOrTheTypedNumber) {
    choose(child<QComboBox>(form, "ComboBoxAbonentName"), 0);
    EXPECT_EQ(child<QLabel>(form, "LabelPhoneNumber")->text(), "89161234567");
    form->bbCallClick();
    ASSERT_EQ(params().size(), 1u);
    EXPECT_EQ(params()[0], W(kCall) + " \"89161234567\"");
    EXPECT_EQ(env.starter.starts[0].file, "celltalk.exe");
    EXPECT_EQ(env.starter.starts[0].dir, "");

    child<QComboBox>(form, "ComboBoxAbonentName")
        ->lineEdit()
        ->selectAll();  // typing replaces the chosen name
    typeText(child<QComboBox>(form, "ComboBoxAbonentName")->lineEdit(), "84951234567");
    EXPECT_EQ(form->dialNumber(), "84951234567");
    EXPECT_EQ(child<QLabel>(form, "LabelPhoneNumber")->text(), "84951234567");
    form->bbCallClick();
    EXPECT_EQ(params().back(), W(kCall) + " \"84951234567\"");
}

TEST_F(MainActionsTest, BoundCyrillicCallOperationIsPassedAsWindows1251) {
    env.writeFile("tapdeck.ini",
                  std::string(kOwnIni) + "CallName=Позвонить абоненту\nHangUpName=Отбой\n");
    env.writeFile("celltalk.ini",
                  std::string(kEngineIni) + "Позвонить абоненту=atd№;\nОтбой=ath\n");
    form->FormActivate();
    choose(child<QComboBox>(form, "ComboBoxAbonentName"), 1);
    form->bbCallClick();
    form->bbHangUpClick();
    EXPECT_EQ(params(), (std::vector<std::string>{W("oper \"Позвонить абоненту\" \"89031112233\""),
                                                  W("oper \"Отбой\"")}));
}

TEST_F(MainActionsTest, InternationalNumberGoesThroughTheBatchFile) {
    typeText(child<QComboBox>(form, "ComboBoxAbonentName")->lineEdit(), "+79161234567");
    form->bbCallClick();
    EXPECT_EQ(env.readFile("@ScriBat.txt"),
              "at+ckpd=\"0\",22|!dly|AT+CKPD=\"79161234567\"|!DLY|AT+CKPD=\"S\"\r\n");
    EXPECT_EQ(params(), (std::vector<std::string>{W("oper \"Выполнить_пакет\" \"@ScriBat.txt\"")}));

    // A name from the book with an international number, and a custom "+" prefix.
    std::string own = kOwnIni;
    own.replace(own.find("Window=Min"), 10, "PLusBeforeNumber=PLUS|");
    env.writeFile("tapdeck.ini", own);
    form->FormActivate();
    choose(child<QComboBox>(form, "ComboBoxAbonentName"), 2);
    form->bbCallClick();
    EXPECT_EQ(env.readFile("@ScriBat.txt"), "PLUS|AT+CKPD=\"79160000000\"|!DLY|AT+CKPD=\"S\"\r\n");
}

TEST_F(MainActionsTest, InternationalCallWithoutItsOperationStillRunsThePrefix) {
    env.writeFile("celltalk.ini", "[AutoRun]\n");  // no call operation any more
    typeText(child<QComboBox>(form, "ComboBoxAbonentName")->lineEdit(), "+44");
    form->bbCallClick();
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.readFile("@ScriBat.txt"), "at+ckpd=\"0\",22|!dly|\r\n");
    EXPECT_EQ(params().size(), 1u);
}

TEST_F(MainActionsTest, NumberFieldEdgeCases) {
    typeText(child<QComboBox>(form, "ComboBoxAbonentName")->lineEdit(), "8916+123");
    form->bbCallClick();
    EXPECT_TRUE(params().empty());
    EXPECT_TRUE(env.dialogs.messages.empty());

    // Erasing the field keeps the number typed before.
    QLineEdit* edit = child<QComboBox>(form, "ComboBoxAbonentName")->lineEdit();
    edit->clear();
    typeText(edit, "555");
    edit->selectAll();
    QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(edit, &erase);
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(form->dialNumber(), "555");

    // Typing after a choice drops the choice: volume then takes the typed text.
    choose(child<QComboBox>(form, "ComboBoxAbonentName"), 0);
    form->bbSoundUpClick();
    EXPECT_EQ(form->dialNumber(), "89161234567");
    edit->clear();
    typeText(edit, "7");
    form->bbSoundDownClick();
    EXPECT_EQ(form->dialNumber(), "7");
    EXPECT_EQ(params(), (std::vector<std::string>{W("oper \"Громче\""), W("oper \"Тише\"")}));
}

// A typed number is dialled only when it is one: keys of the keypad, a "+"
// only at its start. Nothing typed reaches the batch line as a command.
TEST_F(MainActionsTest, DialBoxDialsOnlyANumber) {
    td::test::showForUser(form.get());
    QLineEdit* edit = child<QComboBox>(form, "ComboBoxAbonentName")->lineEdit();
    struct Case {
        const char* typed;
        std::string started;  // "" nothing
    } cases[] = {
        {"+1\"|ATD+79990001122;|\"", ""},
        {"8|ATD+79990001122;", ""},
        {"8abc12", ""},
        {"8 916", ""},
        {"*100#", W(kCall) + " \"*100#\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        env.starter.starts.clear();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(form->dialNumber(), c.typed);
        QTest::mouseClick(child<QPushButton>(form, "bbCall"), Qt::LeftButton);
        EXPECT_EQ(params(), c.started.empty() ? std::vector<std::string>{}
                                              : std::vector<std::string>{c.started});
        EXPECT_FALSE(env.exists("@ScriBat.txt"));
        EXPECT_TRUE(env.dialogs.messages.empty());
    }
}

// "Баланс" covers no control and no part of the call row's title, whose
// click anywhere tells the hint; the dialled number beside it stays whole.
TEST_F(MainActionsTest, BalanceButtonCoversNothing) {
    td::test::showForUser(form.get());
    QWidget* ussd = child<QPushButton>(form, "bbUssd");
    const QRect balance(ussd->mapTo(form.get(), QPoint(0, 0)), ussd->size());
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (w == ussd || !w->isVisible() || w->isAncestorOf(ussd) || ussd->isAncestorOf(w))
            continue;
        const QRect r(w->mapTo(form.get(), QPoint(0, 0)), w->size());
        EXPECT_FALSE(r.intersects(balance)) << w->objectName().toStdString();
    }
    // The dialled number beside it is shown whole, however long.
    QLabel* number = child<QLabel>(form, "LabelPhoneNumber");
    for (const char* typed : {"89161234567", "+491711234567890"}) {
        QLineEdit* edit = child<QComboBox>(form, "ComboBoxAbonentName")->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        EXPECT_EQ(number->text(), typed);
        EXPECT_LE(QFontMetrics(number->font()).horizontalAdvance(number->text()), number->width())
            << typed;
    }
    QLabel* title = child<QLabel>(form, "Panel2");
    for (int x = 1; x < title->width() - 1; ++x)
        ASSERT_EQ(form->childAt(x, title->height() / 2), title) << x;
    QTest::mouseClick(title, Qt::LeftButton, Qt::NoModifier, QPoint(title->width() - 10, 10));
    EXPECT_EQ(env.dialogs.messages,
              std::vector<std::string>{W("Вводите номер телефона или выберите из списка")});
}

TEST_F(MainActionsTest, VolumeWithAnEmptyFieldEmptiesTheNumber) {
    choose(child<QComboBox>(form, "ComboBoxAbonentName"), 0);
    form->FormActivate();  // the field is blank again, the number is kept
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxAbonentName")->currentText(), "");
    EXPECT_EQ(form->dialNumber(), "89161234567");
    form->bbSoundUpClick();
    EXPECT_EQ(form->dialNumber(), "");
    form->bbCallClick();
    EXPECT_EQ(params().size(), 1u);
    EXPECT_EQ(env.dialogs.messages.back(), W("- Не задан абонент и/или номер телефона !"));

    env.writeFile("tapdeck.ini", "[Functions]\nSoundUpName=\n");
    form->FormActivate();
    form->bbSoundUpClick();
    EXPECT_EQ(params().back(), "oper \"\"");
}

TEST_F(MainActionsTest, BusyEngineStartsNothing) {
    struct Case {
        const char* what;
        std::function<void()> act;
    };
    form->setReSendText("x ==> y", "4");
    child<QLineEdit>(form, "leLatSMSText")->setText("hello");
    child<QLineEdit>(form, "leRusSMSText")->setText(Q("привет"));
    choose(child<QComboBox>(form, "ComboBoxSmsRecepter"), 0);
    choose(child<QComboBox>(form, "ComboBoxSmsRecepterRus"), 0);
    choose(child<QComboBox>(form, "ComboBoxAbonentName"), 0);
    Case cases[] = {{"call", [&] { form->bbCallClick(); }},
                    {"hang up", [&] { form->bbHangUpClick(); }},
                    {"louder", [&] { form->bbSoundUpClick(); }},
                    {"quieter", [&] { form->bbSoundDownClick(); }},
                    {"latin", [&] { form->bbASCIISendSMSClick(); }},
                    {"cyrillic", [&] { form->bbRUSSendSMSClick(); }},
                    {"re-send", [&] { form->bbReSendClick(); }}};
    env.writeFile("celltalk.run", "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        size_t before = env.dialogs.messages.size();
        c.act();
        ASSERT_EQ(env.dialogs.messages.size(), before + 1);
        EXPECT_EQ(env.dialogs.messages.back().rfind(W("- Пожалуйста, дождитесь"), 0), 0u);
    }
    EXPECT_TRUE(params().empty());
    EXPECT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->count(), 0);
}

TEST_F(MainActionsTest, LatinAndCyrillicTextsTakeUpToTenParts) {
    withCommon("LongSms=YES\n");
    struct Case {
        const char* box;
        const char* length;
        const char* parts;
        QString typed;
        int kept;
        const char* counter;
        const char* partsText;
    } cases[] = {
        {"leLatSMSText", "lLatSMSLen", "lLatSMSParts", QString(160, 'a'), 160, "160", ""},
        {"leLatSMSText", "lLatSMSLen", "lLatSMSParts", QString(161, 'a'), 161, "161",
         "2 SMS, осталось 145"},
        {"leLatSMSText", "lLatSMSLen", "lLatSMSParts", QString(1540, 'a'), 1530, "1530",
         "обрезано до 1530"},  // a paste cut by the box is said so
        {"leLatSMSText", "lLatSMSLen", "lLatSMSParts", QString(1529, 'a') + "[]", 1529, "1529",
         "обрезано до 1530"},  // an escaped character takes two septets
        {"leLatSMSText", "lLatSMSLen", "lLatSMSParts", QString(1529, 'a') + "[", 1529, "1529",
         "обрезано до 1530"},  // cut by its septets, not by the box
        {"leRusSMSText", "lRusSMSLen", "lRusSMSParts", QString(70, QChar(0x0416)), 70, "70", ""},
        {"leRusSMSText", "lRusSMSLen", "lRusSMSParts", QString(71, QChar(0x0416)), 71, "71",
         "2 SMS, осталось 63"},
        {"leRusSMSText", "lRusSMSLen", "lRusSMSParts", QString(700, QChar(0x0416)), 670, "670",
         "обрезано до 670"},
        {"leRusSMSText", "lRusSMSLen", "lRusSMSParts", QString(670, QChar(0x0416)), 670, "670",
         "10 SMS, осталось 0"},
    };
    for (const auto& c : cases) {
        auto* box = child<QLineEdit>(form, c.box);
        box->clear();
        box->insert(c.typed);  // as pasted
        EXPECT_EQ(box->text().size(), c.kept) << c.box << " " << c.typed.size();
        EXPECT_EQ(child<QLabel>(form, c.length)->text(), c.counter);
        EXPECT_EQ(child<QLabel>(form, c.parts)->text(), Q(c.partsText));
    }
    typeText(child<QLineEdit>(form, "leRusSMSText"), Q("Ж"));  // typed at the limit: refused
    EXPECT_EQ(child<QLineEdit>(form, "leRusSMSText")->text().size(), 670);
    EXPECT_EQ(child<QLabel>(form, "lLatSMSMax")->text(), "==>1530");
    EXPECT_EQ(child<QLabel>(form, "lRusSMSMax")->text(), "==>670");
}

// Without the switch a text is one SMS: typing stops at 160 Latin or 70
// Cyrillic characters, in the history boxes at 160, and no parts are counted.
TEST_F(MainActionsTest, WithoutLongSmsATextIsOneSms) {
    td::test::showForUser(form.get());
    struct Case {
        const char *box, *length, *parts, *max, *limitText;
        QChar letter;
        int limit;
    } cases[] = {
        {"leLatSMSText", "lLatSMSLen", "lLatSMSParts", "lLatSMSMax", "==>160", '[', 160},
        {"leRusSMSText", "lRusSMSLen", "lRusSMSParts", "lRusSMSMax", "==>70", QChar(0x0416), 70},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        auto* box = child<QLineEdit>(form, c.box);
        box->insert(QString(c.limit - 1, c.letter));  // as pasted
        typeText(box, QString(2, c.letter));
        EXPECT_EQ(box->text().size(), c.limit);
        EXPECT_EQ(child<QLabel>(form, c.length)->text(), QString::number(c.limit));
        EXPECT_EQ(child<QLabel>(form, c.parts)->text(), "");
        EXPECT_EQ(child<QLabel>(form, c.max)->text(), c.limitText);
    }
    for (const char* history : {"cbLatSMSHistory", "cbRusSMSHistory"}) {
        QLineEdit* edit = child<QComboBox>(form, history)->lineEdit();
        QTest::keyClicks(edit, QString(170, 'x'));
        EXPECT_EQ(edit->text().size(), 160) << history;
    }
}

TEST_F(MainActionsTest, TypedNumberIsARecipient) {
    withCommon("TypedRecipients=YES\n");
    td::test::showForUser(form.get());
    struct Case {
        const char* box;
        const char* send;
        const char* text;
        const char* typed;
        Qt::Key how;
        std::string sent;  // engine parameters, empty when refused
    } cases[] = {
        {"ComboBoxSmsRecepter", "bbASCIISendSMS", "leLatSMSText", "8 (916) 555-44-33",
         Qt::Key_Return, "oper \"SendLat\" \"89165554433\" \"hi\""},
        {"ComboBoxSmsRecepterRus", "bbRUSSendSMS", "leRusSMSText", "+7 903 111", Qt::Key_Tab,
         W("oper \"Послать русское\" \"+7903111\" \"hi\"")},
        {"ComboBoxSmsRecepter", "bbASCIISendSMS", "leLatSMSText", "()-", Qt::Key_Return, ""},
        // Typed key by key, a number is sent whole or not at all.
        {"ComboBoxSmsRecepter", "bbASCIISendSMS", "leLatSMSText", "8abc12", Qt::Key_Return, ""},
        {"ComboBoxSmsRecepterRus", "bbRUSSendSMS", "leRusSMSText", "+7916+7999", Qt::Key_Return,
         ""},
        // A name typed in full is that name chosen.
        {"ComboBoxSmsRecepter", "bbASCIISendSMS", "leLatSMSText", "petrov", Qt::Key_Return,
         "oper \"SendLat\" \"89031112233\" \"hi\""},
    };
    for (const auto& c : cases) {
        form->sbClearLatPhoneClick();
        form->sbClearRusPhoneClick();
        size_t runs = params().size();
        size_t messages = env.dialogs.messages.size();
        child<QLineEdit>(form, c.text)->setText("hi");
        auto* box = child<QComboBox>(form, c.box);
        box->lineEdit()->setFocus();
        QTest::keyClicks(box->lineEdit(), c.typed);
        QTest::keyClick(box->lineEdit(), c.how);
        if (c.sent.empty()) {
            ASSERT_EQ(env.dialogs.messages.size(), messages + 1) << c.typed;
            EXPECT_EQ(env.dialogs.messages.back(),
                      "- \"" + std::string(c.typed) +
                          W("\" не является номером телефона, SMS по нему не послать"));
        }
        QTest::mouseClick(child<QPushButton>(form, c.send), Qt::LeftButton);
        if (c.sent.empty()) {
            EXPECT_EQ(params().size(), runs) << c.typed;
        } else {
            EXPECT_EQ(env.dialogs.messages.size(), messages) << c.typed;
            ASSERT_EQ(params().size(), runs + 1) << c.typed;
            EXPECT_EQ(params().back(), c.sent) << c.typed;
        }
    }
}

TEST_F(MainActionsTest, NonLatinCharactersBecomeDotsInTheLatinField) {
    typeText(child<QLineEdit>(form, "leLatSMSText"), Q("Hi Жора №1"));
    EXPECT_EQ(child<QLineEdit>(form, "leLatSMSText")->text(), "Hi .... .1");
    child<QLineEdit>(form, "leLatSMSText")->clear();
    child<QLineEdit>(form, "leLatSMSText")->insert(Q("вставка ok"));  // pasted text too
    EXPECT_EQ(child<QLineEdit>(form, "leLatSMSText")->text(), "....... ok");
    typeText(child<QLineEdit>(form, "leRusSMSText"), Q("Жора"));
    EXPECT_EQ(child<QLineEdit>(form, "leRusSMSText")->text(), Q("Жора"));
}

TEST_F(MainActionsTest, SendButtonFollowsTheOneBlankRule) {
    struct Case {
        const char* text;
        bool enabled;
    } cases[] = {{"", false}, {" ", false}, {"  ", true}, {"x", true}, {" x", true}};
    for (const auto& c : cases) {
        child<QLineEdit>(form, "leLatSMSText")->setText(c.text);
        child<QLineEdit>(form, "leRusSMSText")->setText(c.text);
        EXPECT_EQ(child<QPushButton>(form, "bbASCIISendSMS")->isEnabled(), c.enabled)
            << '"' << c.text << '"';
        EXPECT_EQ(child<QPushButton>(form, "bbRUSSendSMS")->isEnabled(), c.enabled)
            << '"' << c.text << '"';
    }
}

TEST_F(MainActionsTest, SendingReplacesQuotesButTheHistoryKeepsThem) {
    choose(child<QComboBox>(form, "ComboBoxSmsRecepter"), 0);
    EXPECT_EQ(child<QLabel>(form, "lLatSMSPhoneNumber")->text(), "89161234567");
    typeText(child<QLineEdit>(form, "leLatSMSText"), "say \"hi\"");
    form->bbASCIISendSMSClick();
    EXPECT_EQ(params(),
              (std::vector<std::string>{"oper \"SendLat\" \"89161234567\" \"say 'hi'\""}));
    ASSERT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->count(), 1);
    EXPECT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->itemText(0), "say \"hi\"");
    EXPECT_TRUE(child<QPushButton>(form, "bbASCIISendSMS")->isEnabled());

    choose(child<QComboBox>(form, "ComboBoxSmsRecepterRus"), 1);
    typeText(child<QLineEdit>(form, "leRusSMSText"), Q("Привет, \"друг\""));
    form->bbRUSSendSMSClick();
    EXPECT_EQ(params().back(), W("oper \"Послать русское\" \"89031112233\" \"Привет, 'друг'\""));
    EXPECT_EQ(child<QComboBox>(form, "cbRusSMSHistory")->itemText(0), Q("Привет, \"друг\""));

    // Equal texts are not merged; the newest is on top.
    child<QLineEdit>(form, "leLatSMSText")->setText("second");
    form->bbASCIISendSMSClick();
    child<QLineEdit>(form, "leLatSMSText")->setText("second");
    form->bbASCIISendSMSClick();
    EXPECT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->count(), 3);
    EXPECT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->itemText(0), "second");
    EXPECT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->itemText(2), "say \"hi\"");
}

TEST_F(MainActionsTest, ATextWithCharactersTheProgramCannotHoldIsNamedNotSent) {
    choose(child<QComboBox>(form, "ComboBoxSmsRecepterRus"), 1);
    child<QLineEdit>(form, "leRusSMSText")->setText(Q("Привет 😀 ") + QChar(0x00E9) + Q("😀"));
    QTest::mouseClick(child<QPushButton>(form, "bbRUSSendSMS"), Qt::LeftButton);
    EXPECT_TRUE(params().empty());
    ASSERT_FALSE(env.dialogs.messages.empty());
    EXPECT_NE(env.dialogs.messages.back().find("U+1F600, U+00E9"), std::string::npos)
        << env.dialogs.messages.back();
    EXPECT_EQ(child<QComboBox>(form, "cbRusSMSHistory")->count(), 0);
}

// A hand-written own book may hold numbers with blanks: they go as one
// number; what is no number is refused with its name.
TEST_F(MainActionsTest, RecipientNumberIsSentNormalisedOrRefused) {
    std::string ini = kOwnIni;
    ini.insert(ini.find("[PhoneBook]\n") + 12, "Mama=8 916 555-44-33\nBad=8916|ATD123;\n");
    env.writeFile("tapdeck.ini", ini);
    form->FormActivate();
    const int mama = lat()->findText("Mama"), bad = lat()->findText("Bad");
    ASSERT_GE(mama, 0);
    ASSERT_GE(bad, 0);
    choose(lat(), mama);
    typeText(child<QLineEdit>(form, "leLatSMSText"), "hi");
    form->bbASCIISendSMSClick();
    EXPECT_EQ(params().back(), "oper \"SendLat\" \"89165554433\" \"hi\"");
    const size_t sends = params().size();
    form->setRecipients("", "");
    choose(lat(), bad);
    EXPECT_EQ(form->latRecipients(), "");
    ASSERT_FALSE(env.dialogs.messages.empty());
    EXPECT_NE(env.dialogs.messages.back().find("Bad"), std::string::npos);
    form->bbASCIISendSMSClick();
    EXPECT_EQ(params().size(), sends);
}

TEST_F(MainActionsTest, HistoryEntryBecomesTheText) {
    child<QComboBox>(form, "cbLatSMSHistory")->addItems({"one", "two"});
    choose(child<QComboBox>(form, "cbLatSMSHistory"), 1);
    EXPECT_EQ(child<QLineEdit>(form, "leLatSMSText")->text(), "two");
    EXPECT_TRUE(child<QPushButton>(form, "bbASCIISendSMS")->isEnabled());
}

TEST_F(MainActionsTest, SeveralRecipientsAreCollectedUntilCleared) {
    child<QCheckBox>(form2, "CheckBoxMultiPhone")->setChecked(true);
    choose(child<QComboBox>(form, "ComboBoxSmsRecepter"), 0);
    choose(child<QComboBox>(form, "ComboBoxSmsRecepter"), 1);
    EXPECT_EQ(form->latRecipients(), " 89161234567 89031112233");
    EXPECT_EQ(child<QLabel>(form, "lLatSMSPhoneNumber")->text(), Q("СМС нескольким абонентам"));
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSmsRecepter")->toolTip(), " 89161234567 89031112233");
    child<QLineEdit>(form, "leLatSMSText")->setText("meet");
    form->bbASCIISendSMSClick();
    EXPECT_EQ(params().back(), "oper \"SendLat\" \" 89161234567 89031112233\" \"meet\"");

    child<QToolButton>(form, "sbClearLatPhone")->click();
    EXPECT_EQ(form->latRecipients(), "");
    EXPECT_EQ(child<QLabel>(form, "lLatSMSPhoneNumber")->text(), "");
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSmsRecepter")->toolTip(), "");
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSmsRecepter")->currentText(), "");

    // Single mode replaces; the Cyrillic band keeps its own list.
    child<QCheckBox>(form2, "CheckBoxMultiPhone")->setChecked(false);
    choose(child<QComboBox>(form, "ComboBoxSmsRecepter"), 0);
    choose(child<QComboBox>(form, "ComboBoxSmsRecepter"), 1);
    EXPECT_EQ(form->latRecipients(), "89031112233");
    EXPECT_EQ(form->rusRecipients(), "");
}

TEST_F(MainActionsTest, ChoosingARecipientEnablesSendingOnlyWithText) {
    child<QLineEdit>(form, "leLatSMSText")->setText("x");
    form->FormActivate();  // disables both send buttons
    EXPECT_FALSE(child<QPushButton>(form, "bbASCIISendSMS")->isEnabled());
    choose(child<QComboBox>(form, "ComboBoxSmsRecepter"), 0);
    EXPECT_TRUE(child<QPushButton>(form, "bbASCIISendSMS")->isEnabled());
    choose(child<QComboBox>(form, "ComboBoxSmsRecepterRus"), 0);
    EXPECT_FALSE(child<QPushButton>(form, "bbRUSSendSMS")->isEnabled());
}

// Without the switch for typed numbers, every typed character is refused.
TEST_F(MainActionsTest, RecipientBoxesRefuseTyping) {
    td::test::showForUser(form.get());
    for (const char* typed : {"a", "8", "+"})
        for (QComboBox* box : {child<QComboBox>(form, "ComboBoxSmsRecepter"),
                               child<QComboBox>(form, "ComboBoxSmsRecepterRus")}) {
            SCOPED_TRACE(typed);
            int beeps = env.feedback.beeps;
            size_t messages = env.dialogs.messages.size();
            box->lineEdit()->setFocus();
            QTest::keyClicks(box->lineEdit(), typed);
            EXPECT_EQ(box->currentText(), "");
            EXPECT_EQ(env.feedback.beeps, beeps + 1);
            ASSERT_EQ(env.dialogs.messages.size(), messages + 1);
            EXPECT_EQ(env.dialogs.messages.back(),
                      W("- Выберите, пожалуйста, абонента из списка\r(если абонента нет в списке, "
                        "добавьте его в телефонную книгу этой программы)"));
        }
}

TEST_F(MainActionsTest, MissingRecipientOrTextIsReported) {
    const std::string missing = W("- Абонент и/или текст не заданы");
    child<QLineEdit>(form, "leLatSMSText")->setText("text");
    form->bbASCIISendSMSClick();  // no recipient chosen
    EXPECT_EQ(env.dialogs.messages.back(), missing);
    EXPECT_TRUE(child<QPushButton>(form, "bbASCIISendSMS")->isEnabled());

    // After a child window closed the box is empty although the list is kept.
    choose(child<QComboBox>(form, "ComboBoxSmsRecepter"), 0);
    form->FormActivate();
    EXPECT_EQ(form->latRecipients(), "89161234567");
    form->bbASCIISendSMSClick();
    EXPECT_EQ(env.dialogs.messages.size(), 2u);
    EXPECT_EQ(env.dialogs.messages.back(), missing);

    // A name without a number is no recipient either.
    env.writeFile("tapdeck.ini", std::string(kOwnIni) + "[PhoneBook]\nNoNumber=\n");
    form->FormActivate();
    choose(child<QComboBox>(form, "ComboBoxSmsRecepter"), 3);
    form->bbASCIISendSMSClick();
    EXPECT_EQ(env.dialogs.messages.size(), 3u);
    EXPECT_TRUE(params().empty());
}

TEST_F(MainActionsTest, ReSendChoiceAndPromptLine) {
    const QString prompt = Q("Если список пустой нажмите кнопку, расположеннную справа");
    ASSERT_EQ(child<QComboBox>(form, "ComboBoxSMSText")->count(), 1);
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSMSText")->itemText(0), prompt);
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSMSText")->currentText(), "");
    form->FormActivate();
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSMSText")->count(), 1);  // added only once

    // What the sent-SMS window hands over.
    child<QComboBox>(form, "ComboBoxSMSText")->clear();
    child<QComboBox>(form, "ComboBoxSMSText")->addItems({"first", Q("смотри справа"), "third"});
    child<QComboBox>(form, "ComboBoxSMSText")->setEditText("Ivanov ==> first");
    form->setReSendIndexes({"3", "5", "9"});
    form->FormActivate();
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSMSText")->count(), 4);
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSMSText")->currentText(), "Ivanov ==> first");
    EXPECT_FALSE(child<QPushButton>(form, "bbReSend")->isEnabled());

    choose(child<QComboBox>(form, "ComboBoxSMSText"), 3);  // the prompt
    EXPECT_FALSE(child<QPushButton>(form, "bbReSend")->isEnabled());
    choose(child<QComboBox>(form, "ComboBoxSMSText"), 1);  // a text with the prompt's word
    EXPECT_FALSE(child<QPushButton>(form, "bbReSend")->isEnabled());
    choose(child<QComboBox>(form, "ComboBoxSMSText"), 2);
    EXPECT_TRUE(child<QPushButton>(form, "bbReSend")->isEnabled());
    form->bbReSendClick();
    EXPECT_EQ(params(), (std::vector<std::string>{"oper \"ReSend\" \"9\""}));
    EXPECT_TRUE(child<QPushButton>(form, "bbReSend")->isEnabled());

    child<QCheckBox>(form, "CheckBoxCycleResent")->setChecked(true);
    form->bbReSendClick();
    EXPECT_EQ(params().size(), 1u);
}

TEST_F(MainActionsTest, ReSendReadyEnablesTheButtonAtActivation) {
    form->setReSendText("Petrov ==> hi", "4");
    form->FormActivate();
    EXPECT_TRUE(child<QPushButton>(form, "bbReSend")->isEnabled());
    form->bbReSendClick();
    EXPECT_EQ(params(), (std::vector<std::string>{"oper \"ReSend\" \"4\""}));
    form->clearReSendBox();
    form->FormActivate();
    EXPECT_FALSE(child<QPushButton>(form, "bbReSend")->isEnabled());
}

TEST_F(MainActionsTest, PresetRecipientFromTheOwnBook) {
    form->setRecipientText("Petrov", 1);  // a reply, before the window is activated again
    form->FormActivate();
    for (QComboBox* box : {child<QComboBox>(form, "ComboBoxSmsRecepter"),
                           child<QComboBox>(form, "ComboBoxSmsRecepterRus")}) {
        EXPECT_EQ(box->currentIndex(), 1);
        EXPECT_EQ(box->currentText(), "Petrov");
    }
    EXPECT_EQ(form->latRecipients(), "89031112233");
    EXPECT_EQ(form->rusRecipients(), "89031112233");
    EXPECT_EQ(child<QLabel>(form, "lLatSMSPhoneNumber")->text(), "89031112233");
    EXPECT_EQ(child<QLabel>(form, "lRusSMSPhoneNumber")->text(), "89031112233");
    child<QLineEdit>(form, "leLatSMSText")->setText("reply");
    form->bbASCIISendSMSClick();
    EXPECT_EQ(params().back(), "oper \"SendLat\" \"89031112233\" \"reply\"");
    form->FormActivate();  // the hand-over is shown once
    EXPECT_NE(lat()->currentText(), "Petrov");
}

TEST_F(MainActionsTest, PresetRecipientOutsideTheOwnBook) {
    // What the unread-SMS window hands over for a number it does not know by name.
    form->setRecipientText("+79990001122", -1);
    form->setRecipients("+79990001122", "+79990001122");
    form->FormActivate();
    for (QComboBox* box : {child<QComboBox>(form, "ComboBoxSmsRecepter"),
                           child<QComboBox>(form, "ComboBoxSmsRecepterRus")}) {
        EXPECT_EQ(box->currentIndex(), -1);
        EXPECT_EQ(box->currentText(), "+79990001122");
    }
    EXPECT_FALSE(child<QPushButton>(form, "bbASCIISendSMS")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(form, "bbRUSSendSMS")->isEnabled());
    EXPECT_EQ(child<QLabel>(form, "lLatSMSPhoneNumber")->text(), "+79990001122");
    child<QLineEdit>(form, "leRusSMSText")->setText(Q("ответ"));
    EXPECT_TRUE(child<QPushButton>(form, "bbRUSSendSMS")->isEnabled());
    form->bbRUSSendSMSClick();
    EXPECT_EQ(params().back(), W("oper \"Послать русское\" \"+79990001122\" \"ответ\""));
    // The next activation no longer applies it.
    form->FormActivate();
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSmsRecepter")->currentText(), "");
}

// What the SMS windows hand over arrives through the main window's own
// calls: the re-send box and both recipient bands.
TEST_F(MainActionsTest, HandOversFillTheReSendBoxAndTheRecipients) {
    QComboBox* reSend = child<QComboBox>(form, "ComboBoxSMSText");
    ASSERT_GT(reSend->count(), 0);  // the prompt line of the activation
    form->clearReSendBox();
    EXPECT_EQ(reSend->count(), 0);
    EXPECT_EQ(reSend->currentText(), "");
    form->addReSendLine(W("Ivanov ==> привет"));
    form->addReSendLine("Petrov ==> hi");
    form->setReSendText("Petrov ==> hi", "7");
    EXPECT_EQ(reSend->count(), 2);
    EXPECT_EQ(reSend->itemText(0), Q("Ivanov ==> привет"));
    EXPECT_EQ(reSend->currentText(), "Petrov ==> hi");

    EXPECT_EQ(form->abonentNames(), (std::vector<std::string>{"Ivanov", "Petrov", W("Сидоров")}));

    QComboBox* lat = child<QComboBox>(form, "ComboBoxSmsRecepter");
    QComboBox* rus = child<QComboBox>(form, "ComboBoxSmsRecepterRus");
    struct Case {
        const char* text;
        int index;
        int chosen;  // the boxes' entry afterwards
    } cases[] = {{"Petrov", 1, 1}, {"+79990001122", -1, 1}, {"Nobody", 7, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        form->setRecipientText(c.text, c.index);
        for (QComboBox* box : {lat, rus}) {
            EXPECT_EQ(box->currentIndex(), c.chosen);
            EXPECT_EQ(box->currentText(), c.text);
        }
    }
    form->setRecipients("111", "222");
    EXPECT_EQ(form->latRecipients(), "111");
    EXPECT_EQ(form->rusRecipients(), "222");
    EXPECT_EQ(child<QLabel>(form, "lLatSMSPhoneNumber")->text(), "111");
    EXPECT_EQ(child<QLabel>(form, "lRusSMSPhoneNumber")->text(), "222");
}

// The options of the settings window reach the main window through its
// links, also when that window is gone.
TEST_F(MainActionsTest, SettingsOptionsThroughTheLinks) {
    std::string ini = kOwnIni;
    ini.replace(ini.find("Window=Min"), 10, "Window=Norm\nBeep=yes");
    env.writeFile("tapdeck.ini", ini);
    form->FormActivate();
    EXPECT_TRUE(child<QCheckBox>(form2, "CheckBoxBeep")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(form2, "CheckBoxWindowCellTalk")->isChecked());
    child<QCheckBox>(form2, "CheckBoxWindowCellTalk")->setChecked(false);
    form->FormClose();
    EXPECT_EQ(ownIni("Common", "Window"), "Min");

    form2.reset();  // no settings window: nothing ticked, nothing breaks
    form->FormActivate();
    form->FormClose();
    EXPECT_EQ(ownIni("Common", "Window"), "Min");
    choose(lat(), 0);
    choose(lat(), 1);
    EXPECT_EQ(form->latRecipients(), "89031112233");  // one recipient at a time
}

TEST_F(MainActionsTest, NavigationOpensWindowsAndTakesOverTheirChanges) {
    struct Case {
        const char* what;
        void (TForm1::*click)();
        QWidget* window;
        bool reactivates;
    } cases[] = {
        {"help", &TForm1::bbHelpClick, form11.get(), false},
        {"settings", &TForm1::bbSetUpClick, form2.get(), true},
        {"own book", &TForm1::bbPhoneBookClick, form3.get(), true},
        {"missed calls", &TForm1::bbMissCallClick, form6.get(), true},
        {"sent", &TForm1::bbSentSMSClick, form5.get(), true},
        {"unread", &TForm1::bbUnReadSMSClick, form7.get(), true},
        {"all", &TForm1::bbAllSMSClick, form8.get(), true},
        {"date book", &TForm1::bbMemDayBookClick, form9.get(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        modal.shown.clear();
        // The window changes a binding while it is open.
        modal.during = [&](QWidget*) {
            env.writeFile("tapdeck.ini", std::string(kOwnIni) + "CallName=" + c.what + "\n");
        };
        form->FormActivate();
        ((*form).*c.click)();
        ASSERT_EQ(modal.shown.size(), 1u);
        EXPECT_EQ(modal.shown[0], c.window);
        EXPECT_EQ(child<QPushButton>(form, "bbCall")->toolTip() == Q(c.what), c.reactivates);
        env.writeFile("tapdeck.ini", kOwnIni);
    }
}

TEST_F(MainActionsTest, PhoneBookEditingIsAnnouncedForALaterVersion) {
    form->bbPBookModifyClick();
    EXPECT_TRUE(modal.shown.empty());
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0],
              W("Эта возможность будет реализована в одной из следующих версий"));
}

TEST_F(MainActionsTest, OnlyTheCallRowTitleAnswersAClick) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    for (QWidget* title : {static_cast<QWidget*>(child<QLabel>(form, "Panel3")),
                           static_cast<QWidget*>(child<QLabel>(form, "Panel4")),
                           static_cast<QWidget*>(child<QLabel>(form, "Panel11")),
                           static_cast<QWidget*>(child<QLabel>(form, "Panel2"))}) {
        QApplication::sendEvent(title, &press);
        QApplication::sendEvent(title, &release);
    }
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0], W("Вводите номер телефона или выберите из списка"));
}

// MAIN_SCREENSHOT_DIR=<folder>: the main window with a long Cyrillic SMS to
// a typed number (for the README); skipped otherwise.
TEST_F(MainWindowTest, LongSmsToATypedNumberScreenshot) {
    const char* dir = std::getenv("MAIN_SCREENSHOT_DIR");
    if (!dir) GTEST_SKIP() << "MAIN_SCREENSHOT_DIR not set";
    std::string own = kOwnIni;
    own.replace(own.find("[Common]\n"), 9, "[Common]\nTypedRecipients=YES\nLongSms=YES\n");
    env.writeFile("tapdeck.ini", own);
    env.writeFile("celltalk.ini", kEngineIni);
    start();
    form->show();
    QApplication::processEvents();  // the activation empties the recipient boxes
    auto* box = child<QComboBox>(form, "ComboBoxSmsRecepterRus");
    box->lineEdit()->setFocus();
    typeText(box->lineEdit(), "8 926 700-12-34");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    child<QLineEdit>(form, "leRusSMSText")
        ->setText(Q("Добрый день! Напоминаю, что завтра в 10:00 собрание в большом зале. "
                    "Просьба захватить отчёты за квартал и список вопросов. Если не успеваете, "
                    "позвоните мне заранее."));
    QApplication::processEvents();
    EXPECT_TRUE(form->grab().save(QString::fromUtf8(dir) + "/main-window-long-sms.png"));
}
