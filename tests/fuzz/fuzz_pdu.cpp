// The PDU decoder on any hex, and the round trip of a message: the parts
// encodeSubmit makes decode to the text that was sent.
#include <cstdint>

#include "fuzzsupport.h"
#include "gsmtext.h"
#include "smspdu.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (auto d = gsmcodec::decodePdu(in)) (void)gsmcodec::textCp1251(d->sms);

    // number \n text (Windows-1251)
    size_t nl = in.find('\n');
    if (nl == std::string_view::npos) return 0;
    std::string_view number = in.substr(0, nl);
    std::u32string text = gsmcodec::cp1251Decode(in.substr(nl + 1));
    if (text.size() > 2000) return 0;
    auto parts = gsmcodec::encodeSubmit(number, text, 7);
    std::u32string back;
    int seq = 0;
    for (const auto& p : parts) {
        std::string error;
        auto d = gsmcodec::decodePdu(p.hex, &error);
        if (!d) fuzz::mismatch("own PDU not decoded", p.hex, error);
        if (d->tpduOctets != static_cast<size_t>(p.tpduLength))
            fuzz::mismatch("TPDU length", std::to_string(p.tpduLength),
                           std::to_string(d->tpduOctets));
        if (parts.size() > 1 && d->sms.part.seq != ++seq)
            fuzz::mismatch("part order", std::to_string(seq), std::to_string(d->sms.part.seq));
        back += d->sms.text;
    }
    fuzz::expectEqual("text", gsmcodec::utf8Encode(text), gsmcodec::utf8Encode(back));
    return 0;
}
