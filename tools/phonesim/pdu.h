#pragma once
// The phone's side of PDU mode (AT+CMGF=0): the SMS-SUBMIT a host hands over
// with AT+CMGS / AT+CMGW, and the PDU of a stored message for +CMGL / +CMGR.
// The coding itself is gsmcodec's (smspdu.h).

#include <optional>
#include <string>
#include <string_view>

#include "state.h"

namespace phonesim {

// A message the host hands over with AT+CMGS / AT+CMGW in PDU mode.
struct SubmitPdu {
    std::string smsc;    // empty when the PDU leaves it to the phone
    std::string number;  // destination, "+" in front for an international one
    SmsCoding coding = SmsCoding::Gsm7;
    std::string text;           // UTF-8
    int reference = 0;          // the host's message reference
    gsmcodec::PartInfo part;    // the concatenation header of a part (ref -1: none)
    bool reportWanted = false;  // TP-SRR: the sender asks for a status report
    bool deliver = false;       // an SMS-DELIVER (a received message handed back to store)
    std::string time;           // its service centre time stamp
};

// The PDU of an SMS-STATUS-REPORT (with the service centre): message
// reference, recipient, the times sent and done, status. tpduLength
// receives the length +CDS reports.
std::string encodeStatusReport(const std::string& smsc, int reference, const std::string& number,
                               const std::string& time, int status, int* tpduLength);

// Decodes hex text of a PDU whose TPDU (the part after the service centre
// address) is tpduLength octets. nullopt with a reason when it is malformed,
// not exactly that long, or not an SMS-SUBMIT (an SMS-DELIVER too with
// `deliverToo`: a received message that AT+CMGW stores with status 0 or 1).
std::optional<SubmitPdu> decodeSubmit(std::string_view hex, int tpduLength, std::string* error,
                                      bool deliverToo = false);

// The PDU of a stored message: an SMS-DELIVER for a received one (with the
// given service centre and the message's time stamp), an SMS-SUBMIT without a
// service centre for a stored outgoing one. tpduLength receives the length
// that +CMGL/+CMGR report.
std::string encodeStored(const Sms& sms, const std::string& smsc, int* tpduLength);

}  // namespace phonesim
