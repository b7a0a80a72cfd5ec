#include "framework/farmcleaner.h"

#include "framework/farm.h"
#include "platform/signalstack.h"

#include <boost/thread/thread.hpp>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

namespace MSE {

namespace {
// Process-wide: the cleaner, its thread and the stop flag the thread watches. Changed only
// when the first farm is created or the last one deleted.
std::mutex processStateLock;
std::atomic<FarmCleaner*> cleaner{nullptr};
boost::thread* cleanerThread = nullptr;
std::atomic<bool> stopFlag{false};
} // namespace

uint32_t tickCount()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

double tickSeconds() { return tickCount() * 0.001; }

FarmCleaner* FarmCleaner::instance() { return cleaner.load(); }

void FarmCleaner::attach(Farm* farm)
{
    std::lock_guard<std::mutex> lock(processStateLock);
    if (!cleaner.load()) {
        FarmCleaner* created = new FarmCleaner;
        stopFlag = false;
        cleanerThread = new boost::thread(boost::ref(*created), &stopFlag);
        cleaner = created;
    }
    cleaner.load()->addFarm(farm);
}

void FarmCleaner::detach(Farm* farm)
{
    std::lock_guard<std::mutex> lock(processStateLock);
    FarmCleaner* current = cleaner.load();
    if (!current)
        return;
    current->removeFarm(farm);
    if (current->hasFarms())
        return;
    stopFlag = true;
    cleanerThread->join();
    delete cleanerThread;
    cleanerThread = nullptr;
    cleaner = nullptr;
    delete current;
}

void FarmCleaner::operator()(std::atomic<bool>* stop)
{
    // A stack overflow on this thread still reaches the crash handler.
    const MovraPlatform::ScopedSignalStack signalStack;
    while (!*stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kWakeIntervalMs));
        const double deadline = sweepDeadline.load();
        if (deadline == 0.0)
            continue;
        if (deadline < tickSeconds()) {
            sweepDeadline = 0.0;
            boost::recursive_mutex::scoped_lock lock(cleanerLock);
            for (Farm* farm : farms)
                farm->unloadUnusedLibraries();
        }
    }
}

void FarmCleaner::scheduleSweep() { sweepDeadline = tickSeconds() + kSweepDelaySeconds; }

void FarmCleaner::addFarm(Farm* farm)
{
    boost::recursive_mutex::scoped_lock lock(cleanerLock);
    farms.push_back(farm);
}

void FarmCleaner::removeFarm(Farm* farm)
{
    boost::recursive_mutex::scoped_lock lock(cleanerLock);
    farms.erase(std::remove(farms.begin(), farms.end(), farm), farms.end());
}

bool FarmCleaner::hasFarms()
{
    boost::recursive_mutex::scoped_lock lock(cleanerLock);
    return !farms.empty();
}

} // namespace MSE
