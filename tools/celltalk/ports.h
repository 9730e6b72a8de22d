#pragma once
// Finding the phone: `celltalk ports` lists the serial devices a phone may sit
// on and tries each; `celltalk ports --set DEVICE` points the engine at one.

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace celltalk::ports {

struct ScanOptions {
    std::string devDir = "/dev";        // where the devices are looked for
    std::string lockDir = "/var/lock";  // LCK..<name> files of other programs
    std::string sysDir = "/sys";        // sysfs, where a USB device's ids are read
    int baud = 115200;
    int answerMs = 1500;  // how long one command may take to be answered
};

struct Candidate {
    std::string name;    // what ComPort should hold: the stable by-id name where one exists
    std::string device;  // the device node it leads to
};

// Devices under devDir: the links of serial/by-id first, then ttyACM*,
// ttyUSB* and rfcomm* not already reached through such a link; numbers in
// their numeric order (ttyUSB2 before ttyUSB10).
std::vector<Candidate> listCandidates(const std::string& devDir);

enum class Access { Ok, Missing, NoPermission, Busy, NotAPort, Failed };

struct Probe {
    Access access = Access::Failed;
    std::string detail;    // system error text, owner group or holding program
    bool answers = false;  // something answered AT with OK
    std::string maker, model;
};

// The program that holds `device` (through a flock or an open file), for a
// message; empty when none is found.
std::string holderOf(const std::string& device);

// The USB vendor and product id (4 hex digits each, as sysfs gives them) of
// the device behind a serial device node, read under sysDir
// (class/tty/<name>/device and its parents); nothing for a device not on USB.
struct UsbIds {
    std::string vendor, product;
};
std::optional<UsbIds> usbIdsOf(const std::string& device, const std::string& sysDir);

// The udev rule that makes ModemManager leave this one device alone, and the
// file it goes into.
std::string modemManagerRule(const UsbIds& ids);
extern const char* const kRuleFile;  // /etc/udev/rules.d/77-celltalk.rules

// The lines that tell how to keep ModemManager off the device (UTF-8).
std::vector<std::string> ruleAdvice(const UsbIds& ids);

// What a failed open() means for the user.
Access accessOfOpenError(int err);

// An answer line that ends an AT command's answer.
bool isFinalResult(const std::string& line);

// The value in the answer lines of an identity command (AT+CGMI, AT+CGMM):
// the first line that is neither the echoed command nor a result, without a
// leading "+CGMI:" (or "+GMI:") and without quotes. Empty when there is none.
std::string identityValue(const std::vector<std::string>& lines, const std::string& command);

// Opens the device without disturbing a program that holds it, sends AT and,
// when that is answered, asks for maker and model.
Probe probe(const std::string& device, const ScanOptions& opt);

// Human-readable report lines (UTF-8) of one device.
std::vector<std::string> describe(const Candidate& c, const Probe& p);

// `celltalk ports [--dev DIR] [--sys DIR]` and `celltalk ports --set DEVICE`,
// run in `dir` (the folder of celltalk.ini). args[0] is the program, args[1]
// "ports". A device ModemManager holds gets the udev rule that keeps it off.
// --set also shows the rule for a USB device and, with a `terminal` to ask
// on (a person at it), offers to write it with sudo; without one it only
// prints it. Exit code: listing 0 when some device answers, 1 when none
// does; --set 0 when written; 2 for a bad command line or an ini that
// cannot be written.
int runPorts(const std::vector<std::string>& args, const std::string& dir, std::ostream& out,
             std::ostream& err, std::istream* terminal = nullptr);

}  // namespace celltalk::ports
