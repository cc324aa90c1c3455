// Benchmarks of the download engine.
//
//   albumora-bench-download                 naming, then downloads against aria2c and wget2
//   albumora-bench-download --naming-only
//   albumora-bench-download --download-only [--pictures N] [--latency MS] [--threads 5,15]
//
// Naming: 10,000 and 100,000 pictures through AddPicToJob (description naming, 100 distinct
// captions repeated), timed in one run so that the ratio shows whether naming stays linear.
//
// Download: a loopback server (a child process running this program with --serve) answers every
// picture after a fixed latency with keep-alive; the same address list is fetched by our engine
// (a child running --fetch), by "aria2c -i LIST -j N" and by "wget2 --max-threads N -i LIST",
// each as a child process so that wall time and peak resident memory (/usr/bin/time) are measured
// alike.
// Every result is checked: all files present with the right sizes.
#include <httplib.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/AlbumList.h"
#include "core/WorkState.h"
#include "download/DownProc.h"
#include "download/PicJob.h"
#include "text/StringCtrl.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

extern char** environ;

namespace {

struct SizeRange {
    size_t nMin, nMax; // bytes
};
constexpr SizeRange kPictures{20 * 1024, 300 * 1024};
// Large pictures show whether memory grows with picture size.
constexpr SizeRange kLargePictures{8 * 1024 * 1024, 8 * 1024 * 1024};
constexpr int kLargeCount = 40;

// Picture sizes, the same in the server and in the checks.
std::vector<size_t> PictureSizes(int nCount, SizeRange range)
{
    std::mt19937 rng(20170208);
    std::uniform_int_distribution<size_t> dist(range.nMin, range.nMax);
    std::vector<size_t> v(static_cast<size_t>(nCount));
    for (auto& s : v)
        s = dist(rng);
    return v;
}

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// ---------------------------------------------------------------------------------------------
// Naming

double NamePictures(CWorkState& st, int nAlbum, const fs::path& dir, int nCount)
{
    g_pJob->Reset(FromUtf8(dir.string() + "/"));
    std::vector<std::u16string> captions;
    for (int i = 0; i < 100; ++i)
        captions.push_back(u"Sunset over the bay #" + AsciiToU16(std::to_string(i)));
    const auto t0 = Clock::now();
    for (int i = 0; i < nCount; ++i)
        AddPicToJob(st, u"https://cdn.example/p/" + AsciiToU16(std::to_string(i)) + u".jpg",
                    captions[static_cast<size_t>(i % 100)], u"", nAlbum);
    const double s = Seconds(Clock::now() - t0);
    const std::u16string strLast =
        u"Sunset over the bay #7(" + AsciiToU16(std::to_string(nCount / 100 - 1)) + u").jpg";
    if (g_pJob->Count() != nCount || FindJobName(strLast) < 0) {
        std::fprintf(stderr, "naming check failed\n");
        std::exit(1);
    }
    return s;
}

void BenchNaming(const fs::path& work)
{
    CWorkState st;
    st.m_nSiteType = 17;
    ST_PERLISTRECORD rec;
    rec.strName = u"Bench";
    int nAlbum = st.m_pAlbumList->AddAlbum(rec) - 1;
    fs::create_directories(work);
    NamePictures(st, nAlbum, work, 1000); // warm-up
    // Best of three, so that a busy machine does not decide the ratio.
    double t10k = 1e9, t100k = 1e9;
    for (int i = 0; i < 3; ++i) {
        t10k = std::min(t10k, NamePictures(st, nAlbum, work, 10000));
        t100k = std::min(t100k, NamePictures(st, nAlbum, work, 100000));
    }
    g_pJob->Reset(u"");
    std::printf("\nNaming through AddPicToJob (description naming, 100 captions repeated; best of 3)\n");
    std::printf("| pictures | seconds | us/picture |\n|---:|---:|---:|\n");
    std::printf("| 10,000 | %.3f | %.2f |\n", t10k, t10k * 1e6 / 10000);
    std::printf("| 100,000 | %.3f | %.2f |\n", t100k, t100k * 1e6 / 100000);
    std::printf("time ratio 100k/10k = %.1f (10 means linear)\n", t100k / t10k);
}

// ---------------------------------------------------------------------------------------------
// Server and our engine as child processes

int Serve(int nCount, int nLatencyMs, SizeRange range)
{
    const std::vector<size_t> sizes = PictureSizes(nCount, range);
    std::string pool(range.nMax, '\0');
    std::mt19937 rng(7);
    for (auto& c : pool)
        c = static_cast<char>(rng());
    httplib::Server srv;
    // Enough workers for every kept-alive connection of the most parallel client.
    srv.new_task_queue = [] { return new httplib::ThreadPool(48); };
    srv.set_keep_alive_max_count(100000);
    srv.set_keep_alive_timeout(30);
    srv.Get(R"(/p/(\d+)\.jpg)", [&](const httplib::Request& req, httplib::Response& res) {
        size_t i = std::stoul(req.matches[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(nLatencyMs));
        if (i >= sizes.size()) {
            res.status = 404;
            return;
        }
        res.set_content(pool.data(), sizes[i], "image/jpeg");
    });
    int port = srv.bind_to_any_port("127.0.0.1");
    std::printf("%d\n", port);
    std::fflush(stdout);
    srv.listen_after_bind();
    return 0;
}

int Fetch(const std::string& list, const std::string& outDir, int nThreads)
{
    std::ifstream in(list);
    g_pJob->Reset(FromUtf8(outDir + "/"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        g_pJob->arrUrl.push_back(FromUtf8(line));
        g_pJob->arrName.push_back(FromUtf8(line.substr(line.rfind('/') + 1)));
        g_pJob->arrHeader.push_back(u"");
    }
    g_dwThreads = static_cast<uint32_t>(nThreads);
    g_dwTimeoutSec = 30;
    std::thread t = StartDownPicFunc();
    t.join();
    return g_nFinished.load() == g_pJob->Count() ? 0 : 1;
}

struct Run {
    double dWall = 0;
    long nMaxRssKb = 0;
    int nStatus = -1;
};

// Runs a program and measures it. The peak memory comes from /usr/bin/time, whose own small
// process is what the program is forked from: a child forked from this (larger) process would
// report this process's resident size as its own peak.
Run RunChild(const std::vector<std::string>& program, const fs::path& rssFile)
{
    std::vector<std::string> args = {"/usr/bin/time", "-f", "%M", "-o", rssFile.string()};
    args.insert(args.end(), program.begin(), program.end());
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    Run r;
    pid_t pid;
    const auto t0 = Clock::now();
    if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&fa);
        return r;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.dWall = Seconds(Clock::now() - t0);
    std::ifstream rss(rssFile);
    std::string line, last;
    while (std::getline(rss, line))
        if (!line.empty())
            last = line; // a failing program adds a status line before the figure
    r.nMaxRssKb = std::atol(last.c_str());
    r.nStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    posix_spawn_file_actions_destroy(&fa);
    return r;
}

// Number of pictures in dir whose size is the served size.
int CountComplete(const fs::path& dir, const std::vector<size_t>& sizes)
{
    int n = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        std::error_code ec;
        auto s = fs::file_size(dir / (std::to_string(i) + ".jpg"), ec);
        n += !ec && s == sizes[i];
    }
    return n;
}

void BenchDownload(const std::string& self, const fs::path& work, int nCount, int nLatencyMs,
                   const std::vector<int>& threads, SizeRange range)
{
    // The server runs in its own process, so no client pays for its memory or threads.
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    pid_t server = ::fork();
    if (server == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::execl(self.c_str(), self.c_str(), "--serve", std::to_string(nCount).c_str(),
                std::to_string(nLatencyMs).c_str(), std::to_string(range.nMin).c_str(),
                std::to_string(range.nMax).c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    char buf[32] = {};
    ssize_t got = ::read(fds[0], buf, sizeof buf - 1);
    ::close(fds[0]);
    int port = got > 0 ? std::atoi(buf) : 0;
    if (port <= 0) {
        std::fprintf(stderr, "server did not start\n");
        return;
    }

    const std::vector<size_t> sizes = PictureSizes(nCount, range);
    double dTotalMb = 0;
    for (size_t s : sizes)
        dTotalMb += static_cast<double>(s) / (1024.0 * 1024.0);
    const fs::path list = work / "list.txt";
    {
        std::ofstream out(list);
        for (int i = 0; i < nCount; ++i)
            out << "http://127.0.0.1:" << port << "/p/" << i << ".jpg\n";
    }

    std::printf("\nDownload of %d pictures (%d-%d KB, %.0f MB in all), loopback server with %d ms "
                "per response, keep-alive\n",
                nCount, static_cast<int>(range.nMin / 1024), static_cast<int>(range.nMax / 1024), dTotalMb,
                nLatencyMs);
    std::printf(
        "| threads | program | wall s | pictures/s | peak RSS MB | complete | wall vs ours | RSS vs ours |\n"
        "|---:|---|---:|---:|---:|---:|---:|---:|\n");
    for (int n : threads) {
        struct Tool {
            const char* name;
            std::vector<std::string> args;
        };
        const std::string ns = std::to_string(n);
        const fs::path outOurs = work / ("ours-" + ns), outAria = work / ("aria2c-" + ns),
                       outWget = work / ("wget2-" + ns);
        std::vector<Tool> tools = {
            {"albumora", {self, "--fetch", list.string(), outOurs.string(), ns}},
            {"aria2c",
             {"aria2c", "-i", list.string(), "-j", ns, "-d", outAria.string(), "--quiet=true",
              "--allow-overwrite=true", "--auto-file-renaming=false"}},
            {"wget2", {"wget2", "--max-threads", ns, "-i", list.string(), "-P", outWget.string(), "-q"}},
        };
        const fs::path outs[] = {outOurs, outAria, outWget};
        Run ours;
        for (size_t k = 0; k < tools.size(); ++k) {
            fs::remove_all(outs[k]);
            fs::create_directories(outs[k]);
            Run r = RunChild(tools[k].args, work / "rss.txt");
            int complete = CountComplete(outs[k], sizes);
            if (k == 0)
                ours = r;
            std::printf("| %d | %s | %.2f | %.0f | %.1f | %d/%d%s | %.2f | %.2f |\n", n, tools[k].name,
                        r.dWall, nCount / r.dWall, r.nMaxRssKb / 1024.0, complete, nCount,
                        r.nStatus == 0 ? "" : " (exit!=0)", r.dWall / ours.dWall,
                        static_cast<double>(r.nMaxRssKb) / static_cast<double>(ours.nMaxRssKb));
            std::fflush(stdout);
            fs::remove_all(outs[k]);
        }
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--serve" && args.size() >= 5)
        return Serve(std::stoi(args[1]), std::stoi(args[2]),
                     SizeRange{std::stoul(args[3]), std::stoul(args[4])});
    if (!args.empty() && args[0] == "--fetch" && args.size() >= 4)
        return Fetch(args[1], args[2], std::stoi(args[3]));

    bool bNaming = true, bDownload = true;
    int nCount = 2000, nLatency = 20;
    std::vector<int> threads = {5, 15};
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--naming-only")
            bDownload = false;
        else if (args[i] == "--download-only")
            bNaming = false;
        else if (args[i] == "--pictures" && i + 1 < args.size())
            nCount = std::stoi(args[++i]);
        else if (args[i] == "--latency" && i + 1 < args.size())
            nLatency = std::stoi(args[++i]);
        else if (args[i] == "--threads" && i + 1 < args.size()) {
            threads.clear();
            std::string s = args[++i];
            for (size_t p = 0; p <= s.size();) {
                size_t q = s.find(',', p);
                threads.push_back(std::stoi(s.substr(p, q - p)));
                p = q == std::string::npos ? s.size() + 1 : q + 1;
            }
        }
    }

    utsname un{};
    ::uname(&un);
    std::printf("Machine: %s %s, %u hardware threads\n", un.sysname, un.release,
                std::thread::hardware_concurrency());
    std::string tmpl = (fs::temp_directory_path() / "albumora-bench-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr)
        return 1;
    const fs::path work = tmpl;
    std::string self = fs::canonical("/proc/self/exe").string();
    if (bNaming)
        BenchNaming(work / "naming");
    if (bDownload) {
        BenchDownload(self, work, nCount, nLatency, threads, kPictures);
        BenchDownload(self, work, kLargeCount, nLatency, {threads.front()}, kLargePictures);
    }
    fs::remove_all(work);
    return 0;
}
