#pragma once
// What the launcher answers by itself, without the player library: its usage and its version.

#include <cstdio>
#include <optional>

namespace MovraLauncher {

enum class Request { Help, Version };

// The request an argument makes when it stands alone on the command line; none for anything
// else, which goes to the player as a file, an address or a maintenance option.
std::optional<Request> informationRequest(const char* argument);

// Writes the answer to out; returns the process status.
int answer(Request request, std::FILE* out);

// The version of the Qt library the player would run on, read from that library itself;
// empty when it cannot be loaded.
const char* runtimeQtVersion();

} // namespace MovraLauncher
