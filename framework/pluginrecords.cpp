#include "framework/pluginrecords.h"

#include <utility>

namespace MSE {

void PluginRecords::add(PluginStatus status)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_records.push_back(Record{std::move(status), true});
    Record& record = m_records.back();
    if (record.status.state == PluginStatus::Registered)
        m_registered[record.status.name] = &record;
}

void PluginRecords::setLoadError(const std::string& pluginName, const std::string& error)
{
    std::lock_guard<std::mutex> lock(m_lock);
    auto found = m_registered.find(pluginName);
    if (found == m_registered.end()) {
        if (error.empty())
            return;
        PluginStatus status;
        status.name = pluginName;
        m_records.push_back(Record{std::move(status), false});
        Record& record = m_records.back();
        found = m_registered.emplace(record.status.name, &record).first;
    }
    PluginStatus& status = found->second->status;
    if (!error.empty()) {
        status.state = PluginStatus::LoadFailed;
        status.reason = error;
    } else if (status.state == PluginStatus::LoadFailed) {
        status.state = PluginStatus::Registered;
        status.reason.clear();
    }
}

std::string PluginRecords::loadError(const std::string& pluginName) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    const auto found = m_registered.find(pluginName);
    if (found == m_registered.end() || found->second->status.state != PluginStatus::LoadFailed)
        return std::string();
    return found->second->status.reason;
}

std::vector<PluginStatus> PluginRecords::snapshot() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<PluginStatus> statuses;
    statuses.reserve(m_records.size());
    for (const Record& record : m_records) {
        if (record.given)
            statuses.push_back(record.status);
    }
    return statuses;
}

} // namespace MSE
