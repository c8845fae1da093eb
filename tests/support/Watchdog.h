#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Work that may never return (a parser that loops for ever) must fail its test, not hang the
// suite. The limits are far beyond what the work takes; they only tell a hang from a return.
namespace watchdog
{
inline constexpr std::chrono::seconds generousLimit { 20 };

// Runs the work on a thread of its own and waits for it at most `limit`. Work still running then
// is left behind, detached, so the work must own everything it touches (capture by value).
inline bool returnsWithin (std::function<void()> work, std::chrono::milliseconds limit = generousLimit)
{
    struct Done
    {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
    };

    const auto state = std::make_shared<Done>();

    std::thread thread ([state, work = std::move (work)] {
        work();
        const std::lock_guard<std::mutex> lock (state->mutex);
        state->done = true;
        state->changed.notify_all();
    });

    std::unique_lock<std::mutex> lock (state->mutex);

    if (! state->changed.wait_for (lock, limit, [&state] { return state->done; }))
    {
        thread.detach();
        return false;
    }

    lock.unlock();
    thread.join();
    return true;
}

// For work that has to run on the calling thread (the message thread): ends the test program
// with a message when the scope has not been left within `limit`. Under CTest every test runs
// in a program of its own, so only the hanging test fails.
class ScopeLimit
{
public:
    explicit ScopeLimit (std::string what, std::chrono::milliseconds limit = generousLimit)
        : thread ([this, what = std::move (what), limit] {
              std::unique_lock<std::mutex> lock (mutex);

              if (! changed.wait_for (lock, limit, [this] { return left; }))
              {
                  std::fprintf (stderr, "FAILED: %s did not return within %lld ms\n", what.c_str(),
                                (long long) limit.count());
                  std::fflush (stderr);
                  std::_Exit (1);
              }
          })
    {
    }

    ~ScopeLimit()
    {
        {
            const std::lock_guard<std::mutex> lock (mutex);
            left = true;
        }

        changed.notify_all();
        thread.join();
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool left = false;
    std::thread thread;
};
} // namespace watchdog
