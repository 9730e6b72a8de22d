#pragma once
// SMS PDUs as they cross the line in PDU mode (AT+CMGF=0): the service centre
// address followed by an SMS-DELIVER (received) or SMS-SUBMIT (to be sent).

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
    std::string text;   // UTF-8
    int reference = 0;  // the host's message reference
};

// Decodes hex text of a PDU whose TPDU (the part after the service centre
// address) is tpduLength octets. nullopt with a reason when it is malformed
// or not an SMS-SUBMIT.
std::optional<SubmitPdu> decodeSubmit(std::string_view hex, int tpduLength, std::string* error);

// The PDU of a stored message: an SMS-DELIVER for a received one (with the
// given service centre and the message's time stamp), an SMS-SUBMIT without a
// service centre for a stored outgoing one. tpduLength receives the length
// that +CMGL/+CMGR report.
std::string encodeStored(const Sms& sms, const std::string& smsc, int* tpduLength);

// Pieces shared with the tests.
std::string encodeSemiOctets(std::string_view digits);
std::string packSeptets(const std::vector<uint8_t>& septets, int fillBits = 0);

}  // namespace phonesim
