// The simulated phone's state file: any text is read or refused, and a state
// it reads is written and read back to the same text.
#include <cstdint>

#include "fuzzsupport.h"
#include "state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    auto state =
        phonesim::parseState(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!state) return 0;
    std::string text = phonesim::serializeState(*state);
    auto again = phonesim::parseState(text, &error);
    if (!again) fuzz::mismatch("written state not read back", text, error);
    fuzz::expectEqual("state text", text, phonesim::serializeState(*again));
    return 0;
}
