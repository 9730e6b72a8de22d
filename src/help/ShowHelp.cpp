#include "help/ShowHelp.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "engine/settings.h"
#include "help/helptext.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"

TForm11::TForm11(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm11");
    setWindowTitle(td::fromWin(td::W("Краткая справка")));
    setFixedSize(ClientWidth, ClientHeight);  // a dialog frame: not resizable
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(ClientWidth / 2, ClientHeight / 2));
    }

    bbSaveShowHelp = new QPushButton(td::fromWin(td::W("Сохранить на диске")), this);
    bbSaveShowHelp->setObjectName("bbSaveShowHelp");
    bbSaveShowHelp->setToolTip(
        td::fromWin(td::W("Сохранить на диске (для последующего прочтения и/или печати)")));
    bbSaveShowHelp->setGeometry(0, 0, ClientWidth, 30);
    bbSaveShowHelp->setStyleSheet("color: navy;");
    bbSaveShowHelp->setAutoDefault(false);

    bbCloseShowHelp = new QPushButton(td::fromWin(td::W("Закрыть")), this);
    bbCloseShowHelp->setObjectName("bbCloseShowHelp");
    bbCloseShowHelp->setToolTip(td::fromWin(td::W("Закрыть форму")));
    bbCloseShowHelp->setGeometry(ClientWidth - 100, 0, 100, 30);
    bbCloseShowHelp->setVisible(false);

    MemoShowHelp = new QPlainTextEdit(this);
    MemoShowHelp->setObjectName("MemoShowHelp");
    MemoShowHelp->setGeometry(0, 30, ClientWidth, ClientHeight - 30);
    MemoShowHelp->setReadOnly(true);
    MemoShowHelp->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoShowHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoShowHelp->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont f("Arial");
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(9);
    MemoShowHelp->setFont(f);
    QPalette pal = MemoShowHelp->palette();
    pal.setColor(QPalette::Base, QColor(204, 255, 204));
    pal.setColor(QPalette::Text, QColor(0, 0, 128));
    MemoShowHelp->setPalette(pal);

    connect(bbSaveShowHelp, &QPushButton::clicked, this, &TForm11::bbSaveShowHelpClick);
    connect(bbCloseShowHelp, &QPushButton::clicked, this, &TForm11::bbCloseShowHelpClick);
}

void TForm11::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TForm11::FormActivate() {
    const auto& p = td::prog();
    MemoShowHelp->setVisible(false);
    MemoShowHelp->clear();
    td::help::HelpInputs in{p.ProgName,  p.ProgVersion, td::AltVersion,
                            p.PBookRead, p.SendSMSRus,  p.MissCall};
    QStringList lines;
    for (const auto& line : td::help::helpLines(in)) lines << td::fromWin(line);
    MemoShowHelp->setPlainText(lines.join('\n'));
    MemoShowHelp->setVisible(true);
}

void TForm11::bbSaveShowHelpClick() {
    std::vector<std::string> lines;
    for (const QString& line : MemoShowHelp->toPlainText().split('\n')) {
        lines.push_back(td::toWin(line));
    }
    std::string name = td::prog().ProgName + ".txt";
    if (!td::files::writeLines(name, lines)) {
        td::dialogs().message(td::W("- Не удаётся записать файл ") + name);
    }
}

void TForm11::bbCloseShowHelpClick() {
    close();
}
