#pragma once
// The resident engine: `celltalk serve` holds the phone's port between runs,
// reads what the phone announces meanwhile (events.h), and runs the
// operations `celltalk oper` hands over to it on its open line, one after
// the other, each with the files and exit code a run of its own gives.
//
// A client finds it through a local socket of the port: an abstract AF_UNIX
// name (no file; it goes with the process, however that ends) made of the
// port's canonical path. Only processes of the same user are served.

#include <iosfwd>
#include <string>
#include <vector>

#include "engine.h"

namespace celltalk::resident {

// The socket name of a port ("\0celltalk/<canonical path>", or a hash of the
// path when it is long); the port as given when it cannot be resolved.
std::string socketName(const std::string& port);

// The AT+CNMI parameters to ask for, from the phone's answer to AT+CNMI=?:
// new messages indicated (+CMTI, else +CMT), status reports routed,
// buffered while the line is busy; for each field the nearest value the
// phone offers. Empty when the answer names no ranges.
std::string chooseCnmi(const std::vector<std::string>& answer);

// `celltalk oper` through a resident engine of its port: true when one took
// the run (`code` is its exit code, the run marker kept meanwhile), false
// when none answers.
bool handOver(const RunRequest& req, const Config& cfg, int& code);

// `celltalk serve` in `dir`: until SIGINT or SIGTERM. Exit code 0 when
// stopped, 1 when the port cannot be held (a resident engine or another
// program has it: named) or the phone does not answer, 2 bad settings.
int serve(const std::string& dir, std::ostream& err);

}  // namespace celltalk::resident
