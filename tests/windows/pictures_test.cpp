// The README's pictures of the phone book, missed calls and help windows,
// drawn from the demo settings and sample last copies when TAPDECK_SHOTS
// names a folder (scripts/screenshots.sh); skipped otherwise.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QPainter>
#include <filesystem>

#include "app/forms.h"
#include "help/ShowHelp.h"
#include "phonebook/GetPBook.h"
#include "phonebook/MissCall.h"
#include "phonebook/TpdPBook.h"
#include "support/fakes.h"
#include "support/shown.h"
#include "support/widgets.h"
#include "widgets/stringgrid.h"

namespace {

namespace fs = std::filesystem;
using td::test::child;
using td::test::W;

TEST(ReadmePictures, PhoneBooksMissedCallsAndHelp) {
    const QString dir = qEnvironmentVariable("TAPDECK_SHOTS");
    if (dir.isEmpty()) GTEST_SKIP() << "TAPDECK_SHOTS not set";
    td::test::qtApp();
    td::test::TestEnv env;
    for (const char* f : {"tapdeck.ini", "celltalk.ini"})
        fs::copy_file(fs::path(DEMO_DIR) / f, fs::path(env.dir) / f);
    env.writeFile("AutoRun/LastPBook.txt",
                  "Иванов Пётр=+79165550101\nАнна-Мария=+79031112233\nJean-Luc=+33612345678\n"
                  "=84957654321\nSmith, John=+447700900123\nДоктор=+79267778899\n");
    env.writeFile("AutoRun/MC-LastPBook.txt",
                  "Мама=+79161234567\n=+74951230000\nРабота=84951112233\n");
    env.dialogs.failOnUnscripted = false;
    td::createForms();
    td::Forms& f = td::forms();
    auto save = [&](const QImage& image, const char* name) {
        EXPECT_TRUE(image.save(dir + "/" + name)) << name;
    };

    // The own book with the phone's book beside it, as the "Из телефона" button shows them.
    td::test::showForUser(f.Form3);
    td::test::showForUser(f.Form4);
    td::test::clickCell(child<StringGrid>(f.Form4, "StringGridMobilePB"), 2, 0);
    QApplication::processEvents();
    const QImage own = f.Form3->grab().toImage(), phone = f.Form4->grab().toImage();
    QImage both(own.width() + 8 + phone.width(), std::max(own.height(), phone.height()),
                QImage::Format_RGB32);
    both.fill(f.Form3->palette().window().color());
    QPainter painter(&both);
    painter.drawImage(0, 0, own);
    painter.drawImage(own.width() + 8, 0, phone);
    painter.end();
    save(both, "phonebook-own-and-phone.png");
    f.Form4->close();
    f.Form3->close();

    td::test::showForUser(f.Form6);
    save(f.Form6->grab().toImage(), "missed-calls.png");
    f.Form6->close();

    td::test::showForUser(f.Form11);
    save(f.Form11->grab().toImage(), "help-window.png");
    f.Form11->close();
    td::destroyForms();
}

}  // namespace
