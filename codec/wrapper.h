#pragma once
// The shell's side of the component-manager library: where it is installed, its six entry
// points, and the operations the codec install calls through them.

#include "codec/componentmanagerabi.h"
#include "codec/imovracomponentmanager.h"
#include "codec/module.h"
#include "codec/uri.h"
#include "codec/utf8string.h"

#include <boost/shared_ptr.hpp>

#include <list>
#include <string>

namespace mcm {

// Statuses of the wrapper itself; every other status comes from the library.
enum WrapperStatus : int32_t {
    kEntryPointMissing = 1,
    kNotInstalled = 2,
    kNoSpecs = 13,
};

// A resolved function together with the library that exported it, so the library stays
// mapped for as long as any entry is held.
template <typename Function>
struct EntryPoint
{
    Function function = nullptr;
    boost::shared_ptr<mvtl::IModule> module;

    void reset()
    {
        function = nullptr;
        module.reset();
    }
};

class Wrapper final : public IMovraComponentManager
{
public:
    Wrapper() = default;
    ~Wrapper();
    Wrapper(const Wrapper&) = delete;
    Wrapper& operator=(const Wrapper&) = delete;

    int32_t initialize(boost::shared_ptr<mvtl::IModule> module) override;
    int32_t checkForUpdates(std::list<std::string>* names, int32_t option) override;
    int32_t findComponents(const std::list<ComponentSpec>& specs, std::list<std::string>* found) override;
    int32_t updateComponents(std::list<std::string>* names) override;
    // Only once initialize has returned 0 (the caller orders the two).
    void cancel() override;

private:
    template <typename Function>
    bool resolveEntry(const boost::shared_ptr<mvtl::IModule>& module, const char* name,
                      EntryPoint<Function>& entry);

    EntryPoint<MCM_InitializeFunction> initializeEntry;
    EntryPoint<MCM_ShutdownFunction> shutdownEntry;
    EntryPoint<MCM_CheckForUpdatesFunction> checkForUpdatesEntry;
    EntryPoint<MCM_FindComponentsFunction> findComponentsEntry;
    EntryPoint<MCM_UpdateComponentsFunction> updateComponentsEntry;
    EntryPoint<MCM_AddSpecFunction> addSpecEntry;
    EntryPoint<MCM_CancelFunction> cancelEntry;  // optional: older libraries lack it
    void* handle = nullptr;
};

boost::shared_ptr<IMovraComponentManager> createComponentManager();
// Where the installer put the library; empty when it left no record.
Uri componentManagerUri();
std::list<std::string> librarySuffixes();
// The names joined by ';' into `out`, the form the component manager's entry points take.
// Every caller here hands an empty `out`, where the result is simply the joined names. Given
// text already, one name replaces it while several are appended to it: the library's
// interface has always answered so, and a caller outside this tree may rely on it.
void joinNames(const std::list<std::string>& names, Utf8String& out);
// The callback handed to the library: appends one name to the std::list<std::string> that
// `context` points to.
extern "C" void appendName(const char* name, void* context);

} // namespace mcm
