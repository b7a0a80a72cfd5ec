#pragma once
// A farm of the test's own, discarded after the test. One more farm lives for the whole
// program, so that discarding a test's farm never has to wait for the cleaner thread to end.

#include "framework/farm.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace fwtest {

class FarmTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        useLogFile();
        static MSE::Farm* const anchor = new MSE::Farm;
        (void)anchor;
    }
    void SetUp() override { farm.reset(new MSE::Farm); }
    void TearDown() override { farm.reset(); }

    MSE::PluginInfo* info(const char* name)
    {
        MSE::List<MSE::PluginInfo*> infos;
        if (farm->getPluginInfos(&infos, MSE::PluginContext::PluginNameFilter(name)) != 0)
            return nullptr;
        return infos.at(0);
    }

    // The cleaner thread may change the list at any time.
    std::size_t libraryCount()
    {
        boost::recursive_mutex::scoped_lock lock(farm->farmLock);
        return farm->libraries.size();
    }

    // Some line of the log reads "<category> <tag>(<line>): <message>".
    static bool logged(const LogCapture& log, const std::string& category, const std::string& tag,
                       const std::string& message)
    {
        for (const std::string& line : log.lines()) {
            const std::string head = category + " " + tag + "(";
            const std::size_t colon = line.find("): ");
            if (line.compare(0, head.size(), head) == 0 && colon != std::string::npos && line.substr(colon + 3) == message)
                return true;
        }
        return false;
    }

    std::unique_ptr<MSE::Farm> farm;
};

} // namespace fwtest
