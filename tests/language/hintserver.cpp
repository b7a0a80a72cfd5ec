#include "hintserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace {

constexpr int kPollMs = 20;
constexpr int kRequestReadMs = 5000;

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

int boundLoopbackSocket(int* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    sockaddr_in address = loopback(0);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}

// The request head, up to the blank line; empty when the client gave up first.
std::string readRequestHead(int connection)
{
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd p{connection, POLLIN, 0};
        if (::poll(&p, 1, kRequestReadMs) <= 0)
            return std::string();
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0)
            return std::string();
        head.append(buffer, static_cast<size_t>(n));
    }
    return head;
}

// "GET /path HTTP/1.1" -> "/path"
std::string requestPath(const std::string& head)
{
    const size_t first = head.find(' ');
    const size_t second = head.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return head.substr(0, head.find("\r\n"));
    return head.substr(first + 1, second - first - 1);
}

void sendAll(int connection, const char* text)
{
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::send(connection, text, left, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

} // namespace

HintServer::HintServer(Answer answer)
    : m_answer(answer)
{
    m_listener = boundLoopbackSocket(&m_port);
    ::listen(m_listener, 16);
    m_thread = std::thread([this] { serve(); });
}

HintServer::~HintServer()
{
    m_stopping = true;
    m_thread.join();
    ::close(m_listener);
}

QString HintServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QStringList HintServer::paths() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QStringList result;
    for (const std::string& path : m_paths)
        result << QString::fromStdString(path);
    return result;
}

QString HintServer::closedPortUrl()
{
    int port = 0;
    ::close(boundLoopbackSocket(&port));
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

// One connection at a time, in the order the connections were made, and each closed after
// its answer: the recorded order is the order in which the client sent its requests.
void HintServer::serve()
{
    while (!m_stopping) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0)
            handle(connection);
    }
    for (int connection : m_silentConnections)
        ::close(connection);
}

void HintServer::handle(int connection)
{
    const std::string head = readRequestHead(connection);
    if (head.empty()) {
        ::close(connection);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paths.push_back(requestPath(head));
    }
    switch (m_answer) {
    case Answer::Ok:
        sendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        break;
    case Answer::Error:
        sendAll(connection,
                "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        break;
    case Answer::Never:
        m_silentConnections.push_back(connection);
        return;
    }
    ::shutdown(connection, SHUT_WR);
    ::close(connection);
}
