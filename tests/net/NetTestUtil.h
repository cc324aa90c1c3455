// Helpers shared by the network tests.
#pragma once

#include "net/URLSource2.h"
#include "text/StringCtrl.h"

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Loopback servers must be reached directly, whatever proxy the machine running the tests uses.
inline const bool g_bNoProxyForTests = [] {
    for (const char* v : {"http_proxy", "https_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY", "no_proxy"})
        unsetenv(v);
    return true;
}();

// windowBits 31 gives a gzip wrapper, 15 a zlib one.
inline std::string Deflate(const std::string& data, int windowBits = 31)
{
    z_stream zs{};
    deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, data.size()) + 32, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

struct CTempDir {
    std::filesystem::path path;
    CTempDir()
    {
        char tmpl[] = "/tmp/albumora-net-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~CTempDir() { std::filesystem::remove_all(path); }
    std::u16string Str16(const std::string& name = "") const { return FromUtf8((path / name).string()); }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path))
            names.push_back(e.path().filename().string());
        return names;
    }
};

inline std::string ReadFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A request with short limits so that failing tests stay quick.
inline ST_URLREQUEST QuickRequest(const std::string& url)
{
    ST_URLREQUEST req(FromUtf8(url), u"", 2000);
    req.dwReadTimeout = 1000;
    req.byRetryDelay = 0;
    return req;
}
