#pragma once
// Waiting in tests: on a condition, never on a fixed sleep, with a generous bound.

#include <chrono>
#include <functional>

namespace MovraTest {

// Polls `condition` until it holds or `limit` has passed; true when it held. On the thread of
// a Qt application object, Qt's events are delivered meanwhile, so queued signals, timers and
// posted events that the condition waits for can arrive.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));
inline bool waitFor(const std::function<bool()>& condition, int limitMs)
{
    return waitFor(condition, std::chrono::milliseconds(limitMs));
}

// The same, with the seconds it took (for a test that bounds a duration), or a negative
// number when the condition never held.
double secondsUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

} // namespace MovraTest
