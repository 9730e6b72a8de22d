// How the main window tells the end of an engine run one of its actions
// started: on the title of the action's band, and in a box for a failure the
// engine reported.

#include <QLabel>
#include <QTimer>

#include "engine/readcycle.h"
#include "main/TapdeckP.h"
#include "main/actionoutcome.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "widgets/gridview.h"

namespace ml = td::mainlogic;

namespace {
constexpr int OutcomeShownMs = 6000;  // how long a success stays on a band's title
}

td::EngineRunEnd TForm1::runAction(QLabel* title, ml::Action action, const std::string& operation,
                                   const std::vector<std::string>& args,
                                   const std::string& subject) {
    restoreTitle(title);
    td::EngineRunEnd end = td::RunEngineToEnd(operation, args);
    const ml::ActionOutcome told = ml::actionOutcome(action, end, subject);

    TitleState& state = titles_[title];
    const int shown = ++state.shown;
    const QString text = td::fromWin(told.line);
    title->setText(title->fontMetrics().elidedText(text, Qt::ElideRight, title->width() - 12));
    title->setToolTip(td::hintText(told.box.empty() ? told.line : told.box));
    QPalette pal = title->palette();
    pal.setColor(QPalette::WindowText, told.failed ? QColor(Qt::red) : QColor(0, 100, 0));
    title->setPalette(pal);
    if (!told.failed) {
        QPointer<QLabel> guard(title);
        QTimer::singleShot(OutcomeShownMs, this, [this, guard, shown] {
            if (guard && titles_[guard].shown == shown) restoreTitle(guard);
        });
    }
    if (!told.box.empty()) td::dialogs().message(told.box);
    return end;
}

void TForm1::restoreTitle(QLabel* title) {
    auto it = titles_.find(title);
    if (it == titles_.end()) {
        titles_[title] = {title->text(), title->toolTip(), title->palette(), 0};
        return;
    }
    title->setText(it->second.text);
    title->setPalette(it->second.palette);
    title->setToolTip(it->second.tip);
}
