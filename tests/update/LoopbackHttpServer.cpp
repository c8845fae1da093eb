#include "LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
constexpr int pollIntervalMs = 20;
constexpr size_t maxRequestHeadBytes = 16384;

bool waitReadable (int socket, int timeoutMs)
{
    pollfd entry { socket, POLLIN, 0 };
    return ::poll (&entry, 1, timeoutMs) > 0;
}

// Reads up to the end of the request head; the target is the second word of its first line.
std::string readRequestTarget (int socket)
{
    std::string head;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (2);

    while (head.find ("\r\n\r\n") == std::string::npos && head.size() < maxRequestHeadBytes
           && std::chrono::steady_clock::now() < deadline)
    {
        if (! waitReadable (socket, pollIntervalMs))
            continue;

        char buffer[1024];
        const auto received = ::recv (socket, buffer, sizeof (buffer), 0);

        if (received <= 0)
            break;

        head.append (buffer, (size_t) received);
    }

    const auto firstSpace = head.find (' ');
    const auto secondSpace = head.find (' ', firstSpace + 1);

    if (firstSpace == std::string::npos || secondSpace == std::string::npos)
        return {};

    return head.substr (firstSpace + 1, secondSpace - firstSpace - 1);
}
} // namespace

int bindToLoopback (int socket)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof (address);

    if (::bind (socket, reinterpret_cast<sockaddr*> (&address), sizeof (address)) != 0
        || ::getsockname (socket, reinterpret_cast<sockaddr*> (&address), &length) != 0)
        return 0;

    return ntohs (address.sin_port);
}

bool LoopbackHttpServer::Connection::send (const std::string& bytes) const
{
    size_t sent = 0;

    while (sent < bytes.size())
    {
        const auto result = ::send (socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);

        if (result <= 0)
            return false;

        sent += (size_t) result;
    }

    return true;
}

void LoopbackHttpServer::Connection::stall (int maxMs) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds (maxMs);

    while (! stopping && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for (std::chrono::milliseconds (pollIntervalMs));
}

LoopbackHttpServer::LoopbackHttpServer (Handler h) : handler (std::move (h))
{
    listeningSocket = ::socket (AF_INET, SOCK_STREAM, 0);

    if (listeningSocket < 0)
        throw std::runtime_error ("no socket");

    listeningPort = bindToLoopback (listeningSocket);

    if (listeningPort == 0 || ::listen (listeningSocket, 8) != 0)
    {
        ::close (listeningSocket);
        throw std::runtime_error ("cannot listen on the loopback address");
    }
    thread = std::thread ([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    stop();
}

void LoopbackHttpServer::stop()
{
    stopping = true;

    if (thread.joinable())
        thread.join();

    if (listeningSocket >= 0)
    {
        ::close (listeningSocket);
        listeningSocket = -1;
    }
}

std::string LoopbackHttpServer::address (const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string (listeningPort) + path;
}

std::vector<std::string> LoopbackHttpServer::requestTargets() const
{
    const std::lock_guard<std::mutex> lock (targetsLock);
    return targets;
}

std::string LoopbackHttpServer::response (int status, const std::string& body, const std::string& extraHeaders)
{
    return "HTTP/1.1 " + std::to_string (status) + " Status\r\n"
         + "Content-Type: application/json\r\n"
         + "Content-Length: " + std::to_string (body.size()) + "\r\n"
         + "Connection: close\r\n"
         + extraHeaders
         + "\r\n"
         + body;
}

void LoopbackHttpServer::serve()
{
    while (! stopping)
    {
        if (! waitReadable (listeningSocket, pollIntervalMs))
            continue;

        const auto socket = ::accept (listeningSocket, nullptr, nullptr);

        if (socket < 0)
            continue;

        auto target = readRequestTarget (socket);

        {
            const std::lock_guard<std::mutex> lock (targetsLock);
            targets.push_back (target);
        }

        handler (Connection { socket, std::move (target), stopping });
        ::shutdown (socket, SHUT_RDWR);
        ::close (socket);
    }
}
