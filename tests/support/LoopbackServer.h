// A small byte-level HTTP test server on 127.0.0.1 for tests that need exact control over what
// goes on the wire: stalls, lying Content-Length, trickles, raw heads, dropped connections.
//
// Each accepted connection runs the handler on its own thread. The handler reads the request
// with ReadRequest and writes whatever bytes it likes with Send; returning closes the
// connection. Every wait is bounded, and the destructor stops the server: it wakes sleeping
// handlers (Sleep returns false), shuts the sockets down and joins every thread.
//
// Usage:
//   LoopbackServer srv([](LoopbackConn& c) {
//       c.ReadRequest();
//       c.Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi");
//   });
//   FetchSomething(srv.Url("/x"));
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

class LoopbackServer;

class LoopbackConn {
  public:
    LoopbackConn(int fd, LoopbackServer& srv) : m_fd(fd), m_srv(srv) {}

    // Reads one request: the head up to the empty line, then as many body bytes as its
    // Content-Length announces. "" when the peer closed or nothing came within timeoutMs.
    std::string ReadRequest(int timeoutMs = 3000)
    {
        size_t end;
        while ((end = m_buf.find("\r\n\r\n")) == std::string::npos)
            if (!Fill(timeoutMs))
                return {};
        std::string head = m_buf.substr(0, end + 4);
        m_buf.erase(0, end + 4);
        size_t len = ContentLength(head);
        while (m_buf.size() < len)
            if (!Fill(timeoutMs))
                break;
        size_t take = std::min(len, m_buf.size());
        m_body = m_buf.substr(0, take);
        m_buf.erase(0, take);
        return head;
    }
    // Whatever bytes arrive next (at least one, unless the peer closed or timeoutMs passed).
    std::string ReadRaw(int timeoutMs = 3000)
    {
        if (m_buf.empty())
            Fill(timeoutMs);
        std::string out;
        out.swap(m_buf);
        return out;
    }
    // The body of the last request read by ReadRequest.
    const std::string& Body() const { return m_body; }

    // Sends every byte; false when the peer is gone.
    bool Send(std::string_view data)
    {
        while (!data.empty()) {
            ssize_t n = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            data.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }
    // A complete response with a correct Content-Length.
    bool SendResponse(std::string_view body, std::string_view extraHeaders = "", int status = 200)
    {
        std::string head = "HTTP/1.1 " + std::to_string(status) +
                           " X\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
                           std::string(extraHeaders) + "\r\n";
        return Send(head) && Send(body);
    }
    // Sleeps unless the server stops first; false when it stopped.
    bool Sleep(int ms);

  private:
    static size_t ContentLength(const std::string& head)
    {
        for (size_t pos = 0; (pos = head.find("\r\n", pos)) != std::string::npos;) {
            pos += 2;
            if (head.size() - pos > 15 && strncasecmp(head.c_str() + pos, "content-length:", 15) == 0)
                return std::strtoul(head.c_str() + pos + 15, nullptr, 10);
        }
        return 0;
    }
    bool Fill(int timeoutMs)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        char tmp[16384];
        ssize_t n = ::recv(m_fd, tmp, sizeof tmp, 0);
        if (n <= 0)
            return false;
        m_buf.append(tmp, static_cast<size_t>(n));
        return true;
    }

    int m_fd;
    LoopbackServer& m_srv;
    std::string m_buf, m_body;
};

class LoopbackServer {
  public:
    using Handler = std::function<void(LoopbackConn&)>;

    explicit LoopbackServer(Handler handler) : m_handler(std::move(handler))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_listen, 64);
        socklen_t len = sizeof addr;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_accept = std::thread([this] { AcceptLoop(); });
    }
    ~LoopbackServer()
    {
        {
            std::lock_guard<std::mutex> lk(m_mutex);
            m_stop = true;
            for (int fd : m_fds)
                ::shutdown(fd, SHUT_RDWR);
        }
        m_cv.notify_all();
        ::shutdown(m_listen, SHUT_RDWR);
        m_accept.join();
        for (auto& t : m_threads)
            t.join();
        ::close(m_listen);
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path = "/") const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    std::u16string Url16(const std::string& path = "/") const
    {
        std::string u = Url(path);
        return std::u16string(u.begin(), u.end());
    }
    // Connections accepted so far.
    int Connections() const { return m_accepted.load(); }

  private:
    friend class LoopbackConn;

    void AcceptLoop()
    {
        for (;;) {
            pollfd p{m_listen, POLLIN, 0};
            int r = ::poll(&p, 1, 100);
            {
                std::lock_guard<std::mutex> lk(m_mutex);
                if (m_stop)
                    return;
            }
            if (r <= 0)
                continue;
            int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ++m_accepted;
            std::lock_guard<std::mutex> lk(m_mutex);
            m_fds.push_back(fd);
            m_threads.emplace_back([this, fd] {
                LoopbackConn conn(fd, *this);
                m_handler(conn);
                std::lock_guard<std::mutex> lk2(m_mutex);
                m_fds.remove(fd);
                ::close(fd);
            });
        }
    }

    Handler m_handler;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_accept;
    std::list<std::thread> m_threads;
    std::list<int> m_fds;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_stop = false;
    std::atomic<int> m_accepted{0};
};

inline bool LoopbackConn::Sleep(int ms)
{
    std::unique_lock<std::mutex> lk(m_srv.m_mutex);
    return !m_srv.m_cv.wait_for(lk, std::chrono::milliseconds(ms), [this] { return m_srv.m_stop; });
}
