// The simulated phone's AT interpreter on any bytes from the host.
#include <cstdint>

#include "fuzzsupport.h"
#include "phonesim.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    phonesim::Phone phone;  // in memory only
    // Lines arrive in pieces: the input is fed in parts cut at NUL.
    for (const auto& part :
         fuzz::split(std::string_view(reinterpret_cast<const char*>(data), size), '\0'))
        (void)phone.input(part);
    (void)phone.incomingCall("+79161234567");
    (void)phone.callerHangsUp();
    (void)phone.receiveSms("+79161234567", "Hi");
    return 0;
}
