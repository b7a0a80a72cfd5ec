#pragma once
#include <MSE/PluginInfo.h>

#include <boost/thread/recursive_mutex.hpp>

#include <atomic>
#include <vector>

namespace MSE {

class Farm;

// Unloads plug-in libraries in the background, between 5 and 6 seconds after the last
// plug-in object was handed back. One per process while any farm exists; its thread wakes
// every second.
class MSE_FRAMEWORK_API FarmCleaner
{
public:
    // The running cleaner, or null when no farm exists.
    static FarmCleaner* instance();
    // Start the cleaner when this is the first farm, and add farm to its list.
    static void attach(Farm* farm);
    // Remove farm from the list; the last farm to go stops the thread and waits for it.
    static void detach(Farm* farm);

    // Thread body: sweeps until *stop becomes true.
    void operator()(std::atomic<bool>* stop);

    // The next sweep runs 5 seconds from now; later calls move it.
    void scheduleSweep();
    void addFarm(Farm* farm);
    void removeFarm(Farm* farm);
    bool hasFarms();

    // Seconds on the tick clock after which a sweep is due; 0 when none is pending. Written
    // by any thread releasing a plug-in, read by the cleaner thread.
    std::atomic<double> sweepDeadline{0.0};
    // Guards farms. Taken before any farm's farmLock.
    boost::recursive_mutex cleanerLock;
    std::vector<Farm*> farms;

    static constexpr double kSweepDelaySeconds = 5.0;
    static constexpr unsigned kWakeIntervalMs = 1000;
};

// Milliseconds since an arbitrary start, 32 bits, from the monotonic clock.
MSE_FRAMEWORK_API uint32_t tickCount();
// tickCount() in seconds.
MSE_FRAMEWORK_API double tickSeconds();

} // namespace MSE
