#pragma once
// The windows' export and import buttons: ask for the file (through the
// replaceable file chooser), run the step in the core and tell the outcome
// in one message.

#include <vector>

#include "formats/pbrecord.h"

class QWidget;

namespace td {

// The own book's rows to vCard or CSV.
void exportOwnBookAsked(QWidget* parent, const std::vector<PBRecord>& rows);
// A vCard or CSV file merged into rows; true when entries were added (the
// caller stores them).
bool importOwnBookAsked(QWidget* parent, std::vector<PBRecord>& rows);
// The date book's last copy to iCalendar.
void exportDateBookAsked(QWidget* parent);
// The events of an iCalendar file added to the date book's last copy; true
// when events were added (the caller shows the copy again).
bool importDateBookAsked(QWidget* parent);
// The last copy of the SMS list of this kind ("Sent-", "UnRead-", "All-") to CSV.
void exportSmsListAsked(QWidget* parent, const std::string& kind);

}  // namespace td
