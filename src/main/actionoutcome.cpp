#include "main/actionoutcome.h"

#include "platform/cp1251.h"

namespace td::mainlogic {

namespace {
std::string doneText(Action action, const std::string& subject) {
    switch (action) {
        case Action::Send:
            return W("SMS отправлено");
        case Action::ReSend:
            return W("SMS отправлено повторно");
        case Action::Call:
            return W("Набор номера ") + subject;
        case Action::Other:
            break;
    }
    return W("Выполнено: ") + subject;
}

std::string failedHead(Action action, const std::string& subject) {
    switch (action) {
        case Action::Send:
        case Action::ReSend:
            return W("- SMS не отправлено");
        case Action::Call:
            return W("- Номер ") + subject + W(" не набран");
        case Action::Other:
            break;
    }
    return W("- Не выполнено: ") + subject;
}
}  // namespace

ActionOutcome actionOutcome(Action action, const EngineRunEnd& end, const std::string& subject) {
    switch (end.kind) {
        case EngineRunEnd::Done:
            return {doneText(action, subject), false, {}};
        case EngineRunEnd::Failed: {
            std::string line = failedHead(action, subject) + ": " +
                               (end.reason.empty() ? W("CellTalk не назвал причину") : end.reason);
            const std::string fix = EngineReasonFix(end.reason);
            return {line, true, fix.empty() ? line : line + "\r" + fix};
        }
        case EngineRunEnd::NotStarted:
            // The start failure has been told already.
            return {failedHead(action, subject) + W(": CellTalk не запущен"), true, {}};
        case EngineRunEnd::Unknown:
            break;
    }
    return {W("- CellTalk не сообщил, чем закончилась операция"), true, {}};
}

bool keepInHistory(const EngineRunEnd& end) {
    return end.kind != EngineRunEnd::Failed && end.kind != EngineRunEnd::NotStarted;
}

}  // namespace td::mainlogic
