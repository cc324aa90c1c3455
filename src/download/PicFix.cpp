#include "download/PicFix.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/AlbumList.h"
#include "download/DownFile.h"
#include "download/PicJob.h"

namespace {

// The extension the first bytes call for, or nullptr when no signature matches.
const char16_t* ExtFromSignature(const unsigned char b[7])
{
    if (b[0] == 0xFF && b[1] == 0xD8)
        return u".jpg";
    if (b[0] == 0x89 && b[1] == 0x50)
        return u".png";
    if (b[0] == 0x47 && b[1] == 0x49 && b[2] == 0x46)
        return u".gif";
    if (b[0] == 0x42 && b[1] == 0x4D)
        return u".bmp";
    if (b[0] == 0 && b[1] == 0 && (b[2] == 0x02 || b[2] == 0x10) && b[3] == 0 && b[4] == 0)
        return u".tga";
    if (b[0] == 0 && b[1] == 0 && b[2] == 0x01 && b[3] == 0 && b[4] == 0x01)
        return u".ico";
    if (b[0] == 0 && b[1] == 0 && b[2] == 0x02 && b[3] == 0 && b[4] == 0x01)
        return u".cur";
    if ((b[0] == 0x4D && b[1] == 0x4D) || (b[0] == 0x49 && b[1] == 0x49))
        return u".tiff";
    return nullptr;
}

// Renames without ever replacing an existing file: another picture of that name must survive.
bool RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the no-replace rename: a hard link fails on an existing target too.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

} // namespace

bool FixPicExt(std::u16string& strPath, const std::u16string& strFallback)
{
    const std::string oldPath = FsPath(strPath);
    struct stat sb;
    if (::stat(oldPath.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode))
        return false;

    // Only a dot of the file name itself starts the extension, not one in a folder name.
    size_t slash = strPath.rfind(u'/');
    size_t dot = strPath.rfind(u'.');
    if (dot != std::u16string::npos && slash != std::u16string::npos && dot < slash)
        dot = std::u16string::npos;
    std::u16string strStem = dot == std::u16string::npos ? strPath : strPath.substr(0, dot);
    std::u16string strExt = !strFallback.empty()          ? strFallback
                            : dot == std::u16string::npos ? std::u16string()
                                                          : strPath.substr(dot);

    int fd = ::open(oldPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned char head[7] = {};
    size_t got = 0;
    while (got < sizeof head) {
        ssize_t r = ::read(fd, head + got, sizeof head - got);
        if (r <= 0)
            break;
        got += static_cast<size_t>(r);
    }
    ::close(fd);
    if (const char16_t* pExt = ExtFromSignature(head))
        strExt = pExt;

    std::u16string strNew = strStem + strExt;
    if (strNew == strPath)
        return true;
    if (!RenameNoReplace(oldPath, FsPath(strNew)))
        return false;
    strPath = strNew;
    return true;
}

void FixJobFormat(const std::u16string& strFallback)
{
    ST_DOWNJOB& job = *g_pJob;
    for (std::u16string& strName : job.arrName) {
        std::u16string strPath = job.strFolder + strName;
        if (FixPicExt(strPath, strFallback))
            strName = strPath.substr(strPath.rfind(u'/') + 1);
    }
    RebuildJobNameIndex();
}

void FixJobOrder()
{
    const ST_DOWNJOB& job = *g_pJob;
    time_t t = std::time(nullptr);
    for (const std::u16string& strName : job.arrName) {
        SetPicTime(job.strFolder + strName, t);
        t -= 60;
    }
}

void SetPicTime(const std::u16string& strPath, time_t tTime)
{
    if (tTime == 0)
        return;
    timespec times[2] = {{tTime, 0}, {tTime, 0}};
    ::utimensat(AT_FDCWD, FsPath(strPath).c_str(), times, 0);
}
