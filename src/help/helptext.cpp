#include "help/helptext.h"

#include "engine/settingkeys.h"
#include "platform/cp1251.h"

namespace td::help {

std::string portIniName(const std::string& progName) {
    const std::string own = progName + ".ini";
    return upperAscii(own) == upperAscii(OwnIniName) ? EngineIniName : own;
}

std::vector<std::string> helpLines(const HelpInputs& in) {
    const std::string& p = in.progName;
    std::vector<std::string> l;
    auto add = [&l](const std::string& utf8) { l.push_back(W(utf8)); };

    l.push_back(W("  Программа ") + p +
                W(" входит в серию программ, работающих с телефоном через CellTalk"));
    l.push_back(W("  Программа ") + p +
                W(" демонстрирует использование CellTalk для работы с мобильным телефоном"));
    add(" ");
    add("  1. Подключите свой мобильный телефон к компьютеру");
    l.push_back(W("  2. Создайте каталог ") + p + W(", раскройте ") + p +
                W(".zip и положите туда его содержимое"));
    add("  3. Соберите программу CellTalk (см. раздел README «Движок CellTalk») и положите её "
        "файлы");
    l.push_back(W("в каталог ") + p);
    add("  4. Настройте программу CellTalk (укажите СОМ-порт, к которому \"подключён\" телефон)");
    // The port goes into the program's operations ini, where the engine looks
    // for it first: P.ini for a satellite; for the main program, whose P.ini
    // is its own settings file, the engine's celltalk.ini.
    l.push_back(W("Укажите тот же СОМ-порт в ComPort= секции [Common] файла ") + portIniName(p));
    l.push_back(W("  5. Программа ") + p + W(" позволяет: "));
    if (in.pbookRead == "YES") {
        add("- считывать телефонную книгу и из неё формировать свою;");
        add("- выполнять вызовы (набор номера) с МТ, используя клавиатуру компьютера;");
        add("- регулировать громкость динамика, нажимая мышкой на кнопки программы;");
    }
    add("- читать отправленные SMS и отправлять их снова;");
    add("- формировать \"латинские\" SMS и отправлять их абонентам;");
    if (in.sendSmsRus == "YES") add("- формировать SMS на кириллице и отправлять их абонентам;");
    if (in.missCall == "YES") {
        add("- просматривать список пропущенных вызовов (звонков Вам) и позвонить звонившему;");
    }
    add("- просматривать список полученных, но не прочтённых SMS и отправить ответ;");
    add("- просматривать список SMS ВСЕХ ТИПОВ и отправить SMS абоненту;");
    add("- считывать ключевые характеристики телефона;");
    add("- отправлять SMS сразу нескольким пользователям;");
    add("- удалять SMS любого типа по одной или несколько штук сразу;");
    add("- звонить, используя международный формат номера +код-страны;");
    add("- считывать календарь (ежедневник, книгу напоминаний) -> Moto");
    add("- отображать срок автоматического удаления \"просроченных\" событий из ежедневника -> "
        "Moto");
    // Byte-wise comparison: std::string compares characters as unsigned codes.
    if (in.altVersion > "v 5.1" && in.progVersion > "v 0.51") {
        add("- выгружать для последующей загрузки календарь (ежедневник, книгу напоминаний)-> "
            "Moto");
    }
    add(" ");
    if (upperAscii(p).find("TAPDECK") != std::string::npos) {
        add("---> Основной Вашей задачей является подбор и отладка нужных операций для ВАШЕЙ");
        add("---> модели телефона в программе CellTalk и сохранение их в библиотеке операций");
        add("---> с последующей \"привязкой\" функций программы к операциям программы Celltalk");
    }
    add("  Программа работает только с версией celltalk 3.60 и выше");
    add("  CellTalk собирается вместе с программой: папка tools/celltalk, раздел README «Движок "
        "CellTalk»");
    add("------>>> Возможно, к настоящему моменту на нашем сайте уже выложены новые версии "
        "программ.");
    return l;
}

}  // namespace td::help
