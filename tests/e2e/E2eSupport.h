// Running the substitute photo service and albumora-cli as real processes for the end-to-end
// tests. Everything is bounded in time: a process that does not end is killed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The environment of a child: ours, minus every proxy setting, plus the given ones.
inline std::vector<std::string> ChildEnv(const std::map<std::string, std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string s = *e;
        std::string name = s.substr(0, s.find('='));
        std::string lower = name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.find("proxy") != std::string::npos || extra.count(name))
            continue;
        env.push_back(s);
    }
    for (const auto& [k, v] : extra)
        env.push_back(k + "=" + v);
    return env;
}

inline pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
                   const std::string& outFile, const std::string& errFile, int* pStdoutPipe = nullptr)
{
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    int fds[2] = {-1, -1};
    if (pStdoutPipe) {
        if (::pipe(fds) != 0)
            return -1;
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_addclose(&fa, fds[0]);
    } else {
        posix_spawn_file_actions_addopen(&fa, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv, envp;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    if (pStdoutPipe) {
        ::close(fds[1]);
        *pStdoutPipe = fds[0];
    }
    return pid;
}

// Exit status, or -1 when the process had to be killed after the limit.
inline int WaitExit(pid_t pid, std::chrono::seconds limit)
{
    auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

// A temporary folder, removed afterwards.
struct TempDir {
    fs::path path;
    TempDir()
    {
        char tmpl[] = "/tmp/albumora-e2e-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// The photo service on a free loopback port.
class Service {
  public:
    explicit Service(const std::vector<std::string>& flags)
    {
        std::vector<std::string> args{ALBUMORA_PYTHON, ALBUMORA_SERVICE, "--port", "0"};
        args.insert(args.end(), flags.begin(), flags.end());
        int fd = -1;
        m_pid = Spawn(args, ChildEnv({}), "", (m_dir.path / "service.err").string(), &fd);
        std::string line;
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_pid > 0 && line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 200) > 0) {
                char buf[256];
                ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0)
                    break;
                line.append(buf, static_cast<size_t>(n));
            }
        }
        ::close(fd);
        auto p = line.find("LISTENING 127.0.0.1:");
        if (p != std::string::npos)
            m_port = std::atoi(line.c_str() + p + 20);
    }
    ~Service()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            WaitExit(m_pid, std::chrono::seconds(10));
        }
    }
    int Port() const { return m_port; }
    std::string Proxy() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    // An admin answer (JSON text or bytes); "" when it failed.
    std::string Admin(const std::string& pathAndQuery) const
    {
        httplib::Client cli("127.0.0.1", m_port);
        cli.set_read_timeout(30, 0);
        auto res = cli.Get(("/__admin/" + pathAndQuery).c_str());
        return res && res->status == 200 ? res->body : std::string();
    }

  private:
    TempDir m_dir;
    pid_t m_pid = -1;
    int m_port = 0;
};

// Every value of "key" in a JSON text, in order (strings unescaped for \" \\ \/; scalars raw).
inline std::vector<std::string> JsonValues(const std::string& json, const std::string& key)
{
    std::vector<std::string> out;
    const std::string mark = "\"" + key + "\":";
    for (size_t p = json.find(mark); p != std::string::npos; p = json.find(mark, p + 1)) {
        size_t i = p + mark.size();
        while (i < json.size() && json[i] == ' ')
            ++i;
        std::string v;
        if (i < json.size() && json[i] == '"') {
            for (++i; i < json.size() && json[i] != '"'; ++i) {
                if (json[i] == '\\' && i + 1 < json.size())
                    ++i;
                v += json[i];
            }
        } else {
            while (i < json.size() && json[i] != ',' && json[i] != '\n' && json[i] != '}')
                v += json[i++];
        }
        out.push_back(v);
    }
    return out;
}

inline std::string UrlEncode(const std::string& s)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~')
            out += static_cast<char>(c);
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// One run of albumora-cli in a settings folder of its own that points the adapter at the
// service through the proxy.
struct CliRun {
    int nExit = -1;
    std::string strOut, strErr;
};

class Cli {
  public:
    explicit Cli(const Service& svc) : m_svc(svc)
    {
        std::ofstream(m_settings.path / "下载器扩展设置.ini")
            << "[Instagram]\n站点根地址=http://www.instagram.com\n";
    }
    const fs::path& Settings() const { return m_settings.path; }
    fs::path Out() const { return m_settings.path / "out"; }

    pid_t Start(std::vector<std::string> args,
                const std::string& address = "http://www.instagram.com/sample_user/")
    {
        std::vector<std::string> argv{ALBUMORA_CLI, "--settings-dir", m_settings.path.string()};
        bool bOutput = false;
        for (const auto& a : args)
            bOutput |= a == "-o";
        if (!bOutput) {
            argv.push_back("-o");
            argv.push_back(Out().string());
        }
        argv.insert(argv.end(), args.begin(), args.end());
        argv.push_back(address);
        return Spawn(argv, ChildEnv({{"http_proxy", m_svc.Proxy()}}), (m_settings.path / "cli.out").string(),
                     (m_settings.path / "cli.err").string());
    }
    CliRun Finish(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(120))
    {
        CliRun r;
        r.nExit = pid > 0 ? WaitExit(pid, limit) : -1;
        r.strOut = ReadFile(m_settings.path / "cli.out");
        r.strErr = ReadFile(m_settings.path / "cli.err");
        return r;
    }
    CliRun Run(std::vector<std::string> args,
               const std::string& address = "http://www.instagram.com/sample_user/")
    {
        return Finish(Start(std::move(args), address));
    }

  private:
    const Service& m_svc;
    TempDir m_settings;
};

} // namespace e2e
