#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Binds a socket to 127.0.0.1 and an ephemeral port; the port, or 0 when that failed.
int bindToLoopback (int socket);

// A tiny HTTP server on 127.0.0.1 and an ephemeral port, for tests of code that makes
// requests. Connections are served one at a time by a handler that writes raw bytes, so a
// test can also play a broken or hostile server. Nothing but the loopback address is used.
class LoopbackHttpServer
{
public:
    struct Connection
    {
        int socket;
        std::string target; // the request target, e.g. "/latest?v=0.1.0"
        const std::atomic<bool>& stopping;

        bool send (const std::string& bytes) const;

        // Holds the connection open without answering until the server stops or the time is up.
        void stall (int maxMs) const;
    };

    using Handler = std::function<void (const Connection&)>;

    explicit LoopbackHttpServer (Handler handler);
    ~LoopbackHttpServer();

    int port() const { return listeningPort; }
    std::string address (const std::string& path) const;

    std::vector<std::string> requestTargets() const;

    void stop();

    // A complete response with a body, closing the connection afterwards.
    static std::string response (int status, const std::string& body, const std::string& extraHeaders = {});

private:
    void serve();

    Handler handler;
    int listeningSocket = -1;
    int listeningPort = 0;
    std::atomic<bool> stopping { false };
    mutable std::mutex targetsLock;
    std::vector<std::string> targets;
    std::thread thread;
};
