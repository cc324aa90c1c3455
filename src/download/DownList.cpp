#include "download/DownList.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/AlbumList.h"
#include "download/DownFile.h"
#include "text/StringCtrl.h"

bool WriteDownList(const std::u16string& strPath)
{
    std::string bytes;
    for (const std::u16string& url : g_pJob->arrUrl) {
        bytes += ToGbk(url);
        bytes += "\r\n";
    }
    return WriteWholeFile(strPath, bytes);
}

void AppendPicName(const std::u16string& strFolder, const std::u16string& strAlbumName,
                   const std::u16string& strCaption, bool bFirst)
{
    std::string path = FsPath(strFolder + FitComponent(strAlbumName, 4) + u".txt");
    // Appended line by line as the pictures arrive, so this file is opened in place rather than
    // rewritten whole for every caption.
    int fd = bFirst ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)
                    : ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return;
    std::string bytes = bFirst ? std::string("\xFF\xFE", 2) : std::string();
    bytes += Utf16LeBytes(strCaption + u"\r\n");
    if (!bFirst)
        ::lseek(fd, 0, SEEK_END);
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n <= 0)
            break;
        p += n;
        left -= static_cast<size_t>(n);
    }
    ::close(fd);
}
