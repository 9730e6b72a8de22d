#pragma once
// A seeded phone with echo off, and a one-line way to send it a command.

#include <string>

#include "phonesim.h"

namespace phonesim::test {

struct TestPhone {
    explicit TestPhone(std::string stateFile = {}) : phone(std::move(stateFile)) {
        phone.input("ATE0\r");
    }
    std::string at(const std::string& command) { return phone.input(command + "\r"); }
    Phone phone;
};

// "\r\n<line>\r\n\r\nOK\r\n", the form of a one-line answer.
inline std::string answer(const std::string& line) {
    return "\r\n" + line + "\r\n\r\nOK\r\n";
}
inline const std::string kOk = "\r\nOK\r\n";
inline const std::string kError = "\r\nERROR\r\n";

}  // namespace phonesim::test
