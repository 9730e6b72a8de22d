#pragma once
// Choosing the phone's port in the settings window: what `celltalk ports`
// finds, and the engine's ComPort written as `celltalk ports --set` writes
// it. Texts are Windows-1251.

#include <optional>
#include <string>
#include <vector>

namespace td::binding {

struct PortFound {
    std::string name;  // what ComPort is to hold
    std::string state;  // what the engine found there ("открывается; отвечает на AT: ...")
};

// The devices of a `celltalk ports` listing (UTF-8): each device's line,
// "name" or "name -> device", followed by its indented state line.
std::vector<PortFound> parsePortsListing(const std::string& utf8);

// Runs `celltalk ports` in the start folder through the process service;
// nothing when the engine could not be run.
std::optional<std::vector<PortFound>> findPorts();

// Writes ComPort to celltalk.ini in dir (a failure is told as every failed
// write); true when written. `note` tells the user when the operations ini
// names a port of its own, which the engine takes instead.
bool writeEnginePort(const std::string& dir, const std::string& port, std::string& note);

}  // namespace td::binding
