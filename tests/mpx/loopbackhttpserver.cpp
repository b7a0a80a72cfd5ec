#include "loopbackhttpserver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <stdexcept>

namespace {

int loopbackSocket(unsigned short* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("bind");
    *port = ntohs(address.sin_port);
    return fd;
}

const char* reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(int status)
    : m_status(status)
{
    m_listener = loopbackSocket(&m_port);
    if (::listen(m_listener, 16) != 0 || ::pipe2(m_wake, O_CLOEXEC) != 0)
        throw std::runtime_error("listen");
    m_thread = std::thread([this] { run(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    const char stop = 'x';
    (void)!::write(m_wake[1], &stop, 1);
    m_thread.join();
    ::close(m_listener);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

QString LoopbackHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

std::vector<std::string> LoopbackHttpServer::requestPaths() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_paths;
}

bool LoopbackHttpServer::waitForRequests(size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, limit, [&] { return m_paths.size() >= count; });
}

unsigned short LoopbackHttpServer::closedPort()
{
    unsigned short port = 0;
    ::close(loopbackSocket(&port));
    return port;
}

void LoopbackHttpServer::run()
{
    std::map<int, std::string> clients; // connection -> bytes of the request read so far
    for (;;) {
        std::vector<pollfd> watched{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const auto& client : clients)
            watched.push_back({client.first, POLLIN, 0});
        if (::poll(watched.data(), watched.size(), -1) < 0)
            continue;
        if (watched[0].revents)
            break;
        if (watched[1].revents & POLLIN) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                clients[client];
        }
        for (size_t i = 2; i < watched.size(); ++i) {
            if (!watched[i].revents)
                continue;
            const int client = watched[i].fd;
            char buffer[4096];
            const ssize_t got = ::read(client, buffer, sizeof(buffer));
            if (got <= 0) {
                ::close(client);
                clients.erase(client);
                continue;
            }
            std::string& request = clients[client];
            request.append(buffer, static_cast<size_t>(got));
            if (request.find("\r\n\r\n") == std::string::npos)
                continue;
            answer(client, request);
            if (m_status == kSilent) {
                request.clear(); // stays open, unanswered, until the server stops
                continue;
            }
            ::close(client);
            clients.erase(client);
        }
    }
    for (const auto& client : clients)
        ::close(client.first);
}

void LoopbackHttpServer::answer(int client, const std::string& request)
{
    const size_t start = request.find(' ');
    const size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paths.push_back(end == std::string::npos ? std::string() : request.substr(start + 1, end - start - 1));
    }
    m_arrived.notify_all();
    if (m_status == kSilent)
        return;
    const std::string response = "HTTP/1.1 " + std::to_string(m_status) + " " + reasonPhrase(m_status)
                                 + "\r\nContent-Length: 0\r\nConnection: close\r\n"
                                 + (m_status == 301 ? "Location: http://127.0.0.1:1/elsewhere\r\n" : "")
                                 + "\r\n";
    (void)!::write(client, response.data(), response.size());
}
