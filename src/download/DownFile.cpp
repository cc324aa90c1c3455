#include "download/DownFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "text/StringCtrl.h"

namespace {
constexpr size_t kMaxComponentBytes = 255;
}

std::string FsPath(const std::u16string& strPath)
{
    return ToUtf8(strPath);
}

bool WriteWholeFile(const std::u16string& strPath, std::string_view bytes)
{
    std::string path = FsPath(strPath);
    size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    // A short temporary name (the final name may already use the whole 255-byte component),
    // created exclusively with the usual permissions so the umask applies as to any file.
    static std::atomic<unsigned> s_nSerial{0};
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, ".albumora-%d-%u.tmp", static_cast<int>(::getpid()),
                      s_nSerial.fetch_add(1));
        tmp = folder + name;
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return false;
    bool bOk = true;
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n <= 0) {
            bOk = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (::close(fd) != 0)
        bOk = false;
    if (bOk && std::rename(tmp.c_str(), path.c_str()) != 0)
        bOk = false;
    if (!bOk)
        ::unlink(tmp.c_str());
    return bOk;
}

std::string Utf16LeBytes(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xff));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::u16string FitComponent(const std::u16string& strStem, size_t nSuffixBytes)
{
    size_t budget = nSuffixBytes >= kMaxComponentBytes ? 0 : kMaxComponentBytes - nSuffixBytes;
    if (Utf8Length(strStem) <= budget)
        return strStem;
    return CutToUtf8Bytes(strStem, budget);
}
