#include "pdu.h"

#include "gsmtext.h"
#include "smspdu.h"

namespace phonesim {

std::string encodeStored(const Sms& sms, const std::string& smsc, int* tpduLength) {
    gsmcodec::Sms pdu;
    pdu.deliver = sms.status == SmsStatus::RecUnread || sms.status == SmsStatus::RecRead;
    if (pdu.deliver) {
        pdu.smsc = smsc;
        pdu.timestamp = sms.time;
    }
    pdu.number = sms.number;
    pdu.alphabet =
        sms.coding == SmsCoding::Ucs2 ? gsmcodec::Alphabet::Ucs2 : gsmcodec::Alphabet::Gsm7;
    pdu.text = gsmcodec::utf8Decode(sms.text);
    pdu.part = sms.part;
    auto encoded = gsmcodec::encodePdu(pdu);
    if (tpduLength) *tpduLength = encoded.tpduLength;
    return encoded.hex;
}

std::optional<SubmitPdu> decodeSubmit(std::string_view hex, int tpduLength, std::string* error,
                                      bool deliverToo) {
    auto fail = [&](const char* why) -> std::optional<SubmitPdu> {
        if (error) *error = why;
        return std::nullopt;
    };
    auto decoded = gsmcodec::decodePdu(hex, error);
    if (!decoded) return std::nullopt;
    const gsmcodec::Sms& sms = decoded->sms;
    // The host announced the length: a PDU longer or shorter than it, or with
    // octets beyond its user data, is refused as a phone does.
    if (tpduLength < 0 || decoded->tpduOctets != static_cast<size_t>(tpduLength))
        return fail("length does not match");
    if (sms.deliver != deliverToo)
        return fail(deliverToo ? "not an SMS-DELIVER" : "not an SMS-SUBMIT");
    if (decoded->trailingOctets != 0) return fail("user data length does not match");
    if (sms.alphabet == gsmcodec::Alphabet::Ucs2 &&
        (decoded->userDataOctets - decoded->headerOctets) % 2 != 0)
        return fail("odd UCS2 text");

    SubmitPdu pdu;
    if (auto octets = td::fromHex(hex);
        octets && !octets->empty() && (*octets)[0] + 1u < octets->size())
        pdu.reportWanted = ((*octets)[(*octets)[0] + 1u] & 0x20) != 0;
    pdu.smsc = sms.smsc;
    pdu.number = sms.number;
    pdu.reference = sms.reference;
    pdu.part = sms.part;
    pdu.deliver = sms.deliver;
    pdu.time = sms.timestamp;
    pdu.text = gsmcodec::utf8Encode(sms.text);
    switch (sms.alphabet) {
        case gsmcodec::Alphabet::Gsm7:
            pdu.coding = SmsCoding::Gsm7;
            break;
        case gsmcodec::Alphabet::Ucs2:
            pdu.coding = SmsCoding::Ucs2;
            break;
        case gsmcodec::Alphabet::Data8:  // octets taken as Latin-1 characters
            pdu.coding = gsmcodec::fitsGsm7(sms.text) ? SmsCoding::Gsm7 : SmsCoding::Ucs2;
            break;
    }
    return pdu;
}

std::string encodeStatusReport(const std::string& smsc, int reference, const std::string& number,
                               const std::string& time, int status, int* tpduLength) {
    std::vector<uint8_t> tpdu{0x06, static_cast<uint8_t>(reference)};  // SMS-STATUS-REPORT
    for (const auto& part : {gsmcodec::encodeAddress(number), gsmcodec::encodeTimestamp(time),
                             gsmcodec::encodeTimestamp(time)})
        tpdu.insert(tpdu.end(), part.begin(), part.end());
    tpdu.push_back(static_cast<uint8_t>(status));
    if (tpduLength) *tpduLength = static_cast<int>(tpdu.size());
    return td::toHex(gsmcodec::encodeServiceCentre(smsc)) + td::toHex(tpdu);
}

}  // namespace phonesim
