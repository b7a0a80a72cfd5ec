#pragma once
#include <MSE/PluginContext.h>

#include <boost/thread/recursive_mutex.hpp>

namespace MSE {

// Guards PluginContext::plugins and releasedPlugins. Recursive because a plug-in's entry
// function, run while the farm holds its locks, may call back into the context.
class PluginsLock : public boost::recursive_mutex
{
};

} // namespace MSE
