#pragma once
// The farm's one record per plug-in: what became of each library it was given (registered,
// refused at registration, or registered but its library failed the last time it was
// loaded) with the reason, in one place. The catalogue (PluginContext::pluginInfos) stays
// the plug-ins' own view of what is registered; this is what a tool or an "about plug-ins"
// dialog shows.
//
// Registration adds records on the start-up thread while a dialog may read them, and
// loading updates them under the farm's lock: the records have a lock of their own, taken
// last and never held while calling out.

#include "framework/pluginstatus.h"

#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace MSE {

class PluginRecords
{
public:
    // The record of a library the farm was given, as registration left it.
    void add(PluginStatus status);
    // The outcome of loading the named plug-in: the reason it failed, or "" after it loaded.
    // A plug-in known only from the catalogue (built in, or put there directly) gets a record
    // that only load errors read.
    void setLoadError(const std::string& pluginName, const std::string& error);
    // Why the named plug-in's library failed its last load; "" when it did not.
    std::string loadError(const std::string& pluginName) const;
    // Every library the farm was given, in that order.
    std::vector<PluginStatus> snapshot() const;

private:
    struct Record
    {
        PluginStatus status;
        bool given = true; // handed to discovery or addPlugin
    };

    mutable std::mutex m_lock;
    // A deque: records stay where they are while more are added, for m_registered.
    std::deque<Record> m_records;
    // The registered record of each name; refused libraries have none. A key is a view of
    // the name of the record it was made for, which stays where it is and never changes.
    std::unordered_map<std::string_view, Record*> m_registered;
};

} // namespace MSE
