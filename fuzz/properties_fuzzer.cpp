// Fuzzes the properties-document loader and the queries run on what it accepts, and the
// image discovery's cache keeps of an accepted document: rebuilt, it is the same document.

#include "framework/documentimage.h"
#include "framework/plugininfoloader.h"
#include "framework/propertypaths.h"
#include "framework/widestring.h"

#include "fuzzcheck.h"

#include <MSE/PluginInfo.h>

#include <libxml/tree.h>

#include <unistd.h>

#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

// The loader reads documents by path, so every input goes through one scratch file. Its
// name is random and it is created exclusively, so nothing planted in a shared temporary
// folder is ever written through; each input is written through the descriptor.
struct ScratchFile
{
    std::string path;
    int fd = -1;

    ScratchFile()
    {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/properties-fuzz-XXXXXX.xml";
        fd = ::mkstemps(&path[0], 4);
        if (fd < 0) {
            std::perror("properties_fuzzer: scratch file");
            std::abort();
        }
    }
    ~ScratchFile()
    {
        ::close(fd);
        ::unlink(path.c_str());
    }

    void write(const uint8_t* data, size_t size)
    {
        if (::ftruncate(fd, 0) != 0)
            std::abort();
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0)
                std::abort();
            done += static_cast<size_t>(n);
        }
    }
};

ScratchFile& scratch()
{
    static ScratchFile file;
    return file;
}

std::string dump(xmlDocPtr document)
{
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpMemory(document, &bytes, &size);
    std::string text(bytes ? reinterpret_cast<const char*>(bytes) : "", bytes ? std::size_t(size) : 0);
    xmlFree(bytes);
    return text;
}

void checkImage(xmlDocPtr document)
{
    std::string image;
    if (!MSE::captureDocument(document, image))
        return;
    xmlDocPtr rebuilt = MSE::buildDocument(image);
    FUZZ_CHECK(rebuilt);
    FUZZ_CHECK(dump(rebuilt) == dump(document));
    xmlFreeDoc(rebuilt);
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
    scratch().write(data, size);
    MSE::PluginInfo* info = MSE::loadPluginInfo(MSE::fromUtf8(scratch().path));
    if (info) {
        checkImage(info->document);
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
