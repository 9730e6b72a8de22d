#pragma once
// A simulated GSM phone with Motorola extensions. It takes the bytes a host
// sends over the serial line and returns the bytes a phone would answer.

#include <string>
#include <string_view>

namespace phonesim {

class Phone {
public:
    // Loads the state file, or seeds a new phone (and writes the file) when
    // it does not exist. An empty path keeps the state in memory only.
    explicit Phone(std::string stateFile = {});
    ~Phone();

    // Feeds bytes from the host; returns everything the phone sends back
    // (echo when on, answers, result codes, the "> " prompt of a send).
    std::string input(std::string_view bytes);

    // Writes the state file (also done after every command that changes it).
    void save();
};

}  // namespace phonesim
