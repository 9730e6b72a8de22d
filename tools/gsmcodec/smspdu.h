#pragma once
// SMS PDUs as a phone takes and gives them in PDU mode (AT+CMGF=0): the
// service centre address followed by an SMS-SUBMIT (a message to send) or an
// SMS-DELIVER (a received one), with the user data header of concatenated
// parts. Numbers are UTF-8 text ("+" in front of an international one; an
// alphanumeric sender as its name); message texts are code points.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gsmcodec {

enum class Alphabet { Gsm7, Data8, Ucs2 };

// Digits as semi-octets, low nibble first: 0-9, "*", "#" and "a"-"c"; an odd
// count ends with the filler 0xF. Other characters are left out.
std::vector<uint8_t> encodeSemiOctets(std::string_view digits);
// `count` digits; the filler nibble is skipped.
std::string decodeSemiOctets(std::span<const uint8_t> octets, size_t count);

// An originator or destination address: digit count, type of number, value.
// A number holding a letter (or any non-ASCII character) is alphanumeric:
// its name in the 7-bit alphabet, at most 11 septets. Otherwise the dialable
// characters 0-9, "*", "#" are kept, international when "+" comes first,
// at most kMaxAddressDigits of them (callers refuse a longer number).
constexpr size_t kMaxAddressDigits = 20;
std::vector<uint8_t> encodeAddress(std::string_view number);
// The service centre address: octet count, type of number, value; an empty
// number is the single octet 00 (the phone's own setting).
std::vector<uint8_t> encodeServiceCentre(std::string_view number);

// Service centre time stamp "yy/MM/dd,hh:mm:ss+zz" (zone in quarter hours)
// <-> seven octets of swapped digits, the sign of the zone in bit 3 of the last.
std::vector<uint8_t> encodeTimestamp(std::string_view text);
std::string decodeTimestamp(std::span<const uint8_t, 7> octets);

// Concatenation header of one part: reference, part count, this part (from 1).
struct PartInfo {
    int ref = -1;  // -1: not a part of a longer message
    int count = 0;
    int seq = 0;
    bool wide = false;  // 16-bit reference (element 08) instead of 8-bit (element 00)
};

struct Sms {
    bool deliver = false;             // SMS-DELIVER; otherwise SMS-SUBMIT
    std::string smsc;                 // service centre; empty: the phone's own
    int reference = 0;                // TP-MR of an SMS-SUBMIT
    std::string number;               // originator (DELIVER) or destination (SUBMIT)
    std::string timestamp;            // SMS-DELIVER only
    std::optional<uint8_t> validity;  // relative validity period of an SMS-SUBMIT
    Alphabet alphabet = Alphabet::Gsm7;
    std::u32string text;  // 8-bit data: one code point per octet
    PartInfo part;
};

struct EncodedPdu {
    std::string hex;     // service centre address + TPDU
    int tpduLength = 0;  // octets after the service centre address (AT+CMGS=<length>)
};

// One PDU. A text longer than the user data holds is cut after the last whole
// character that fits (160 septets or 140 octets less the header).
EncodedPdu encodePdu(const Sms& sms);

// The SMS-SUBMIT PDUs of a text to send: GSM 7-bit when the text fits the
// alphabet, UCS2 otherwise; a text too long for one message is split into
// concatenated parts with the 8-bit reference `ref`. The destination keeps
// only its dialable characters; the validity period is 4 days.
std::vector<EncodedPdu> encodeSubmit(std::string_view number, std::u32string_view text,
                                     uint8_t ref = 0);
// The same split for any message: `sms` gives the kind, numbers and time;
// the alphabet and the parts' headers are set from the text.
std::vector<EncodedPdu> encodeParts(Sms sms, std::u32string_view text, uint8_t ref = 0);

struct DecodedPdu {
    Sms sms;
    size_t tpduOctets = 0;      // octets after the service centre address
    size_t headerOctets = 0;    // user data header, its length octet included
    size_t userDataOctets = 0;  // user data by its length field, header included
    size_t trailingOctets = 0;  // octets after the user data
};

// Fails on text that is not hex, a PDU cut short, a type other than
// SMS-DELIVER and SMS-SUBMIT, compressed text or a header longer than the
// user data; `error` (when given) receives the reason. An odd last octet of
// UCS2 text is left out.
std::optional<DecodedPdu> decodePdu(std::string_view hex, std::string* error = nullptr);

// The text of a decoded message in Windows-1251; 8-bit data octets are taken
// as they are.
std::string textCp1251(const Sms& sms);

}  // namespace gsmcodec
