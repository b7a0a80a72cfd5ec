#pragma once
// Everything a discovery leaves behind that anybody can observe, as one text: the result,
// the catalogue in order with each record's fields and document, the registration
// statuses, and what went to standard error and the log. Two discoveries of a folder are
// indistinguishable when their texts are equal.

#include "framework/farm.h"
#include "support/testsupport.h"

#include <MSE/PluginInfo.h>

#include <functional>
#include <sstream>
#include <string>

namespace fwtest {

// The summary of a farm after `registration`, which returns the result to show.
inline std::string registrationSummary(const std::function<int(MSE::Farm&)>& registration)
{
    useLogFile();
    static MSE::Farm* const anchor = new MSE::Farm; // keeps the cleaner running between farms
    (void)anchor;
    LogCapture log;
    std::ostringstream out;
    {
        StderrCapture errors;
        MSE::Farm farm;
        out << "result " << registration(farm) << "\n";
        for (MSE::PluginInfo* info : farm.pluginInfos) {
            out << "record " << info->name.c_str() << " in " << narrow(info->libraryFolder) << " "
                << narrow(info->libraryFile) << " document " << (info->document ? "parsed" : "none") << " text '"
                << (info->text ? info->text : "") << "' interfaces";
            for (const auto& interface : info->interfaces)
                out << " " << interface.c_str();
            out << "\n";
        }
        for (const MSE::PluginStatus& status : farm.pluginStatuses())
            out << "status " << status.library << " " << status.properties << " " << status.name << " " << status.state
                << " " << status.reason << "\n";
        out << "stderr\n" << errors.text();
    }
    out << "log\n" << log.text();
    return out.str();
}

inline std::string discoverySummary(const std::string& folder)
{
    return registrationSummary([&](MSE::Farm& farm) { return farm.discoverPlugins(wide(folder)); });
}

} // namespace fwtest
