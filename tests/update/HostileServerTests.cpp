#include "LoopbackHttpServer.h"
#include "UpdateTestSupport.h"
#include "support/Watchdog.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
using Connection = LoopbackHttpServer::Connection;

// A version is in every hostile reply that could carry one, so a reply wrongly accepted shows.
const std::string announcement = R"({"version":"9.9.9","url":"https://evil.example/","notes":"x"})";

struct HostileCase
{
    const char* name;
    LoopbackHttpServer::Handler handler;
};

std::vector<HostileCase> hostileCases()
{
    return {
        { "not JSON", [] (const Connection& c) { c.send (LoopbackHttpServer::response (200, "<html>It works!</html>")); } },
        { "JSON without version",
          [] (const Connection& c) { c.send (LoopbackHttpServer::response (200, R"({"url":"https://evil.example/","notes":"x"})")); } },
        { "error status with HTML", [] (const Connection& c) { c.send (LoopbackHttpServer::response (500, "<h1>Internal error</h1>")); } },
        { "empty body", [] (const Connection& c) { c.send (LoopbackHttpServer::response (200, "")); } },
        { "10 MB body", [] (const Connection& c)
          {
              auto body = announcement;
              body.insert (body.size() - 1, ",\"padding\":\"" + std::string (10 * 1024 * 1024, 'x') + "\"");
              c.send (LoopbackHttpServer::response (200, body));
          } },
        { "deeply nested JSON",
          [] (const Connection& c) { c.send (LoopbackHttpServer::response (200, std::string (512 * 1024, '['))); } },
        { "closed mid-body", [] (const Connection& c)
          {
              // A complete object arrives, but the promised length never does.
              c.send ("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" + announcement);
          } },
        { "redirect loop", [] (const Connection& c)
          {
              c.send (LoopbackHttpServer::response (302, announcement, "Location: " + c.target + "\r\n"));
          } },
        // Stored, it would loop the framework's XML parser when the settings file is saved.
        { "processing instruction in the version", [] (const Connection& c)
          {
              c.send (LoopbackHttpServer::response (200, R"({"version":"<r>9.9.9<?x?>y</r>","notes":"x"})"));
          } },
        { "garbage instead of HTTP", [] (const Connection& c) { c.send (std::string (4096, '\x7f')); } },
        { "closes without a word", [] (const Connection&) {} },
        // Ends by the request's own time-out, about five seconds.
        { "never answers", [] (const Connection& c) { c.stall (20000); } },
    };
}

class HostileServer : public UpdateCheckerTest
{
protected:
    // A check that fails leaves nothing but the time of the attempt, and announces nothing.
    void expectNothingStored (UpdateChecker& checker, const ChangeCounter& changes, const char* name)
    {
        const auto stored = storedSettings();
        EXPECT_TRUE (stored.containsKey (updatekeys::lastCheckMs)) << name;
        EXPECT_FALSE (stored.containsKey (updatekeys::latestVersion)) << name;
        EXPECT_FALSE (stored.containsKey (updatekeys::latestUrl)) << name;
        EXPECT_FALSE (stored.containsKey (updatekeys::latestNotes)) << name;
        EXPECT_TRUE (checker.getNewerVersion().isEmpty()) << name;
        EXPECT_EQ (changes.count, 0) << name;
    }

    // One check against whatever answers at this address.
    void checkAt (const std::string& url, const char* name)
    {
        const watchdog::ScopeLimit limit (std::string ("the check against \"") + name + "\"", std::chrono::seconds (60));
        settingsFile().deleteFile();
        setUpdateUrl (url);

        UpdateChecker checker { "0.1.0" };
        ChangeCounter changes;
        checker.broadcaster.addChangeListener (&changes);
        checker.checkIfDue();
        EXPECT_TRUE (finishCheck (checker, 15000)) << name;
        expectNothingStored (checker, changes, name);
        checker.broadcaster.removeChangeListener (&changes);
    }
};

TEST_F (HostileServer, BrokenRepliesStoreNothing)
{
    for (auto& c : hostileCases())
    {
        LoopbackHttpServer server (c.handler);
        checkAt (server.address ("/latest"), c.name);
        EXPECT_GE (server.requestTargets().size(), 1u) << c.name;
        EXPECT_LE (server.requestTargets().size(), 6u) << c.name; // at most five redirects followed
    }
}

TEST_F (HostileServer, ConnectionRefusedStoresNothing)
{
    // A bound socket that does not listen holds a loopback port that refuses connections.
    const auto socket = ::socket (AF_INET, SOCK_STREAM, 0);
    const auto port = bindToLoopback (socket);
    ASSERT_NE (port, 0);

    checkAt ("http://127.0.0.1:" + std::to_string (port) + "/latest", "connection refused");
    ::close (socket);
}

TEST_F (HostileServer, EmptyUpdateUrlRequestsNothingElse)
{
    // The variable exists but is empty: the vendor's endpoint must not be asked instead.
    checkAt ("", "empty SABREL_UPDATE_URL");
}

TEST_F (HostileServer, CheckerDestroyedWhileTheServerNeverAnswers)
{
    LoopbackHttpServer server ([] (const Connection& c) { c.stall (20000); });
    setUpdateUrl (server.address ("/latest"));

    auto checker = std::make_unique<UpdateChecker> ("0.1.0");
    checker->checkIfDue();
    ASSERT_TRUE (pumpMessagesUntil ([&] { return ! server.requestTargets().empty(); }, 5000));

    const auto start = juce::Time::getMillisecondCounterHiRes();
    checker.reset();
    const auto elapsedMs = juce::Time::getMillisecondCounterHiRes() - start;

    EXPECT_LT (elapsedMs, 3500.0);
    pumpMessagesUntil ([] { return false; }, 100);
    EXPECT_FALSE (storedSettings().containsKey (updatekeys::latestVersion));
}

// Run by CTest with a preloaded resolver that does not answer for the host SABREL_STALLED_HOST
// (tests/update/resolver); skipped without it.
TEST_F (HostileServer, CheckerDestroyedWhileTheResolverHangs)
{
    const auto* host = std::getenv ("SABREL_STALLED_HOST");

    if (host == nullptr)
        GTEST_SKIP() << "needs the stalled resolver preloaded, as update_tests.UnloadWhileTheResolverHangs does";

    setUpdateUrl (std::string ("https://") + host + "/latest");

    // A lookup that fails while the test still runs, so the abandoned request is seen to end
    // quietly after its checker, then one that outlasts the test.
    for (const char* lookupMs : { "1500", "20000" })
    {
        SCOPED_TRACE (lookupMs);
        ::setenv ("SABREL_STALLED_MS", lookupMs, 1);
        settingsFile().deleteFile();

        auto checker = std::make_unique<UpdateChecker> ("0.1.0");
        checker->checkIfDue();
        juce::Thread::sleep (300);
        ASSERT_TRUE (checker->isThreadRunning());

        const auto start = juce::Time::getMillisecondCounterHiRes();
        checker.reset();
        EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - start, (double) UpdateChecker::stopWaitMs);

        pumpMessagesUntil ([] { return false; }, 2000);
        EXPECT_FALSE (storedSettings().containsKey (updatekeys::latestVersion));
    }

    ::unsetenv ("SABREL_STALLED_MS");
}

// A loopback port whose listen queue is full, so a new connection stays unanswered at the TCP
// level: the client's connect is still pending, as with an unreachable host.
class FullListenQueue
{
public:
    FullListenQueue()
    {
        listener = ::socket (AF_INET, SOCK_STREAM, 0);
        port = bindToLoopback (listener);

        if (port == 0 || ::listen (listener, 0) != 0)
        {
            port = 0;
            return;
        }

        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
        address.sin_port = htons ((uint16_t) port);

        for (auto& filler : fillers)
        {
            filler = ::socket (AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect (filler, reinterpret_cast<sockaddr*> (&address), sizeof (address));
        }

        juce::Thread::sleep (50);
    }

    ~FullListenQueue()
    {
        for (auto filler : fillers)
            if (filler >= 0)
                ::close (filler);

        if (listener >= 0)
            ::close (listener);
    }

    int port = 0;

private:
    int listener = -1;
    int fillers[4] { -1, -1, -1, -1 };
};

TEST_F (HostileServer, CheckerDestroyedWhileItsConnectionIsPending)
{
    FullListenQueue queue;
    ASSERT_NE (queue.port, 0);
    setUpdateUrl ("http://127.0.0.1:" + std::to_string (queue.port) + "/latest");

    auto checker = std::make_unique<UpdateChecker> ("0.1.0");
    checker->checkIfDue();

    // Past curl's first short wait, into the one that lasts until the connection time-out.
    juce::Thread::sleep (500);
    ASSERT_TRUE (checker->isThreadRunning());

    // The pending connection is left to its own time-out; destruction does not wait for it.
    const auto start = juce::Time::getMillisecondCounterHiRes();
    checker.reset();
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - start, (double) UpdateChecker::stopWaitMs);
}

TEST_F (HostileServer, PendingConnectionGivesUpByItself)
{
    FullListenQueue queue;
    ASSERT_NE (queue.port, 0);
    checkAt ("http://127.0.0.1:" + std::to_string (queue.port) + "/latest", "connection never accepted");
}
} // namespace
