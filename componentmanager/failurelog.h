#pragma once
// One line per failure, since the player's widget can show only a number:
//   2026-12-08T22:31:05Z status 25 (checksum mismatch) component AVCCodec address http://…: reason

#include <cstdint>
#include <string>

namespace MovraComponents {

void logFailure(const std::string& logPath, int32_t status, const std::string& component,
                const std::string& address, const std::string& reason);

} // namespace MovraComponents
