// Fuzzes the properties-document loader and the queries run on what it accepts.
// With clang: a libFuzzer target. Otherwise: a program that replays the files it is given.

#include "framework/plugininfoloader.h"
#include "framework/propertypaths.h"
#include "framework/widestring.h"

#include <MSE/PluginInfo.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

const std::string& scratchPath()
{
    static const std::string path = "/tmp/properties-fuzz-" + std::to_string(getpid()) + ".xml";
    return path;
}

void silenceStandardError()
{
    static std::ofstream sink("/dev/null");
    std::cerr.rdbuf(sink.rdbuf());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    silenceStandardError();
    {
        std::ofstream out(scratchPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    MSE::PluginInfo* info = MSE::loadPluginInfo(MSE::fromUtf8(scratchPath()));
    if (info) {
        for (const char* xpath : {MSE::PropertyPath::kDependencies, MSE::PropertyPath::kVideoInputFormats,
                                  MSE::PropertyPath::kOverlayInputFormats, MSE::PropertyPath::kAudioInputFormats}) {
            for (const auto& value : info->getPropertyValues(xpath))
                MSE::parseAudioFormatId(value.c_str());
        }
        info->hasProperty(MSE::PropertyPath::kPrimaryView);
        delete info;
    }
    return 0;
}

#ifndef MOVRA_LIBFUZZER
int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        const std::string bytes = text.str();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::remove(scratchPath().c_str());
    return 0;
}
#endif
