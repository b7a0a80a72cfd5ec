#pragma once
// What became of one plug-in library the farm was given: registered and usable, refused at
// registration, or registered but its library failed the last time it was loaded. Kept so
// that a tool or an "about plug-ins" dialog can show each failure with its reason.

#include <string>

namespace MSE {

struct PluginStatus
{
    enum State { Registered, Refused, LoadFailed };

    // Full paths, UTF-8.
    std::string library;
    std::string properties;
    // The plug-in's name, when its document could be read.
    std::string name;
    State state = Registered;
    // One line: why it was refused or why its library did not load; empty when registered.
    std::string reason;
};

} // namespace MSE
