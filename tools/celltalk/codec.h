#pragma once
// Text encodings a phone uses on the serial line: UCS2 as hex digits, the
// GSM 7-bit default alphabet, and SMS PDUs (the submit PDU the engine sends,
// the deliver and submit PDUs a phone lists). Text on the engine's side is
// always Windows-1251 bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace celltalk {

// Hex digits (upper case) of bytes, and back. fromHex fails on odd length or
// on a character that is not a hex digit.
std::string toHex(std::string_view bytes);
std::optional<std::string> fromHex(std::string_view hex);

// Windows-1251 text -> UCS2 big-endian as hex digits ("Да" -> "04140430").
std::string toUcs2Hex(std::string_view cp1251);
// UCS2 hex -> Windows-1251. Fails when the text is not hex digits in groups
// of four. Characters the code page lacks become "?".
std::optional<std::string> fromUcs2Hex(std::string_view hex);
// Like fromUcs2Hex, but also fails when a character would be lost (not in the
// code page, or a control character): used to tell a UCS2 field from a plain
// text field that merely looks like hex digits ("1234").
std::optional<std::string> fromUcs2HexStrict(std::string_view hex);

// GSM 7-bit default alphabet. A text fits it when every character is in the
// basic table or in the extension table (which costs two septets).
bool fitsGsm7(std::string_view cp1251);
std::vector<uint8_t> toGsm7Septets(std::string_view cp1251);  // requires fitsGsm7
std::string fromGsm7Septets(const std::vector<uint8_t>& septets);

// Packs septets into octets starting at bit `fillBits` of the first octet.
std::vector<uint8_t> packSeptets(const std::vector<uint8_t>& septets, int fillBits = 0);
std::vector<uint8_t> unpackSeptets(const std::vector<uint8_t>& octets, size_t count,
                                   int fillBits = 0);

// One SMS-SUBMIT PDU as the phone wants it after AT+CMGS=<tpduLength>.
struct SubmitPdu {
    std::string hex;  // the service centre octet "00" (phone's default) + TPDU
    int tpduLength;   // octets after the service centre part
};

// Encodes a text for one recipient: GSM 7-bit when the text fits the
// alphabet, UCS2 otherwise. A text too long for one message is split into
// concatenated parts (user data header, 8-bit reference `ref`).
std::vector<SubmitPdu> encodeSubmit(std::string_view number, std::string_view cp1251Text,
                                    uint8_t ref = 0);

// A message decoded from a PDU as a phone lists it (+CMGL in PDU mode).
struct DecodedSms {
    bool deliver = false;   // true: received (SMS-DELIVER), false: SMS-SUBMIT
    std::string number;     // originator or destination, "+" for international
    std::string timestamp;  // "yy/MM/dd,hh:mm:ss+zz" for received messages
    std::string text;       // Windows-1251
    int partRef = -1, partCount = 0, partSeq = 0;  // concatenation header
};
// Fails on a PDU that is not hex or is cut short.
std::optional<DecodedSms> decodePdu(std::string_view hex);

}  // namespace celltalk
