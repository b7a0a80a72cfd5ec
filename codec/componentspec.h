#pragma once
#include <string>

namespace mcm {

// One required codec. The component manager receives it as "component;feature;version".
struct ComponentSpec
{
    std::string feature;    // "video_decoder.avc"
    std::string component;  // "MPC"
    std::string version;    // "3.1.0"
};

} // namespace mcm
