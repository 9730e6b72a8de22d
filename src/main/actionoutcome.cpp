#include "main/actionoutcome.h"

#include "platform/cp1251.h"

namespace td::mainlogic {

namespace {
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

std::string actionOutcome(Action action, const EngineRunEnd& end, const std::string& subject) {
    switch (end.kind) {
        case EngineRunEnd::Done:
        case EngineRunEnd::NotStarted:
            return {};
        case EngineRunEnd::Failed: {
            std::string line = failedHead(action, subject) + ": " +
                               (end.reason.empty() ? W("CellTalk не назвал причину") : end.reason);
            const std::string fix = EngineReasonFix(end.reason);
            return fix.empty() ? line : line + "\r" + fix;
        }
        case EngineRunEnd::Unknown:
            break;
    }
    return W("- CellTalk не сообщил, чем закончилась операция");
}

bool keepInHistory(const EngineRunEnd& end) {
    return end.kind != EngineRunEnd::Failed && end.kind != EngineRunEnd::NotStarted;
}

}  // namespace td::mainlogic
