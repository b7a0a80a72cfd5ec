#pragma once
#include "codec/componentspec.h"

#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <list>
#include <string>

namespace mvtl {
class IModule;
}

namespace mcm {

// Made only by createComponentManager(), whose shared pointer destroys the implementation;
// hence no virtual destructor.
class IMovraComponentManager
{
public:
    virtual int32_t initialize(boost::shared_ptr<mvtl::IModule> module) = 0;
    virtual int32_t checkForUpdates(std::list<std::string>* names, int32_t option) = 0;
    virtual int32_t findComponents(const std::list<ComponentSpec>& specs, std::list<std::string>* found) = 0;
    virtual int32_t updateComponents(std::list<std::string>* names) = 0;
    // From another thread while a call runs: makes it return soon (the library's status 29).
    // Nothing where the library offers no way to cancel.
    virtual void cancel() {}

protected:
    ~IMovraComponentManager() = default;
};

} // namespace mcm
