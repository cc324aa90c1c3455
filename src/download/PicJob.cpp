#include "download/PicJob.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "core/WorkState.h"
#include "download/DownFile.h"
#include "download/DownList.h"
#include "text/StringCtrl.h"

namespace {

std::u16string LowerAscii(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

std::u16string Dec(long long n)
{
    return AsciiToU16(std::to_string(n));
}

std::u16string Dec04(long long n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04lld", n);
    return AsciiToU16(buf);
}

void ReplaceEscape(std::u16string& text, char16_t digit, const std::u16string& value)
{
    const char16_t esc[] = {u'?', digit, 0};
    StrReplace(text, esc, value);
}

// For each name that needed a counter: the highest counter taken so far. Every counter below it
// is taken too (entries are never removed while the album is named), so the next search starts
// after it; without this, an album of many equal captions would rescan 1, 2, 3, ... each time.
// Keyed by the ASCII-lowercased name and extension, as the name comparison ignores that case.
// Emptied with the job (at each album's first picture) and when the format pass renames.
std::unordered_map<std::u16string, uint32_t> s_mapCounter;

std::u16string CounterKey(const std::u16string& strName, const std::u16string& strExt)
{
    // '/' never occurs in a cleaned name, so name and extension cannot run into each other.
    return LowerAscii(strName) + u'/' + LowerAscii(strExt);
}

// name(n).ext, with the name cut so that the whole stays one 255-byte component.
std::u16string NumberedName(const std::u16string& strName, uint32_t nCounter, const std::u16string& strExt)
{
    std::u16string strCounter = u"(" + Dec(nCounter) + u")";
    return FitComponent(strName, Utf8Length(strCounter) + Utf8Length(strExt)) + strCounter + strExt;
}

// Keeps the longest prefix of at most nUnits units that does not end inside a surrogate pair.
void CutUnits(std::u16string& text, size_t nUnits)
{
    if (text.size() <= nUnits)
        return;
    if (nUnits > 0 && text[nUnits - 1] >= 0xD800 && text[nUnits - 1] <= 0xDBFF)
        --nUnits;
    text.resize(nUnits);
}

} // namespace

bool HasPicExt(const std::u16string& strName)
{
    size_t dot = strName.rfind(u'.');
    if (dot == std::u16string::npos)
        return false;
    std::u16string ext = LowerAscii(std::u16string_view(strName).substr(dot));
    return ext == u".jpeg" || ext == u".jpg" || ext == u".bmp" || ext == u".gif" || ext == u".png" ||
           ext == u".tif";
}

int FindJobName(const std::u16string& strName)
{
    const auto& index = g_pJob->mapNameIndex;
    auto it = index.find(LowerAscii(strName));
    return it == index.end() ? -1 : it->second;
}

void SetDirTime(const std::u16string& strFolder, time_t tTime)
{
    if (tTime == 0)
        return;
    timespec times[2] = {{tTime, 0}, {tTime, 0}};
    ::utimensat(AT_FDCWD, FsPath(strFolder).c_str(), times, 0);
}

std::u16string ReadLastMark(const std::u16string& strFolder)
{
    std::ifstream in(FsPath(strFolder + u"pic.nvx"), std::ios::binary);
    if (!in)
        return {};
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::u16string mark;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t c = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (c == u'\n')
            break;
        mark.push_back(c);
    }
    return mark;
}

void WriteLastMark(const std::u16string& strUrl, const std::u16string& strFolder)
{
    WriteWholeFile(strFolder + u"pic.nvx", Utf16LeBytes(strUrl));
}

void AddPicToJob(CWorkState& st, const std::u16string& strUrl, const std::u16string& strCaption,
                 const std::u16string& strHeader, int nAlbum)
{
    ST_DOWNJOB& job = *g_pJob;
    ST_ALBUMLIST& list = *st.m_pAlbumList;
    const ST_PERLISTRECORD* pAlbum = list.GetAlbum(nAlbum);
    if (pAlbum == nullptr)
        return;
    const ST_PERLISTRECORD& album = *pAlbum;
    const ST_SITESET& set = st.CurSiteSet();
    const size_t n = job.arrUrl.size();
    if (n == 0) {
        // A new album: whatever emptied the job, the name index and counters start afresh.
        job.mapNameIndex.clear();
        s_mapCounter.clear();
    }

    // The caption is remote text: it is always cleaned into one name, never taken as a path.
    bool bNumbered = false;
    std::u16string strBase;
    size_t slash = strUrl.rfind(u'/');
    if (set.byNameType == 0) {
        strBase = strCaption;
        MakeValidName(strBase, 0, false);
        if (strBase.empty())
            strBase = album.strName;
    } else if (set.byNameType == 2 && slash != std::u16string::npos && slash >= 1) {
        strBase = strUrl.substr(slash + 1);
    } else {
        strBase = Dec(static_cast<long long>(n) + 1);
        bNumbered = true;
    }

    std::u16string strName = SzGet(set.szPrefix) + strBase + SzGet(set.szSuffix);
    const int nCount = list.Count();
    ReplaceEscape(strName, u'1', album.strName);
    if (strName.find(u"?2") != std::u16string::npos)
        bNumbered = true;
    ReplaceEscape(strName, u'2', Dec(static_cast<long long>(n) + 1));
    ReplaceEscape(strName, u'3', Dec(static_cast<long long>(album.nIndex) + 1));
    ReplaceEscape(strName, u'4', Dec(album.nScore));
    ReplaceEscape(strName, u'5', Dec(album.nValue));
    ReplaceEscape(strName, u'6', Dec(list.nSelected));
    ReplaceEscape(strName, u'7', Dec(nCount));
    ReplaceEscape(strName, u'8', st.m_strSubDir1);
    ReplaceEscape(strName, u'9', Dec04(static_cast<long long>(album.nIndex) + 1));
    ReplaceList(strName, SzGet(set.szReplaceFrom), SzGet(set.szReplaceTo));
    MakeValidName(strName, VALIDNAME_TIME, true);

    if (n == 0) {
        std::u16string strDir = set.byAlbumDirType != 0 ? std::u16string() : album.strName;
        strDir = SzGet(set.szAlbumPrefix) + strDir + SzGet(set.szAlbumSuffix);
        ReplaceEscape(strDir, u'1', album.strName);
        ReplaceEscape(strDir, u'3', Dec(static_cast<long long>(album.nIndex) + 1));
        ReplaceEscape(strDir, u'4', Dec(static_cast<long long>(nCount) - album.nIndex));
        if (st.m_nSiteType.load() == 0)
            ReplaceEscape(strDir, u'5', album.strCreateTime);
        ReplaceEscape(strDir, u'9', Dec04(static_cast<long long>(album.nIndex) + 1));
        MakeValidName(strDir, 0, false);
        // A folder name must fit one file-name component as well.
        strDir = FitComponent(strDir, 0);
        if (!strDir.empty())
            job.strFolder += strDir + u"/";
        std::error_code ec;
        std::filesystem::create_directory(std::filesystem::path(FsPath(job.strFolder)), ec);
        SetDirTime(job.strFolder, std::time(nullptr));
        st.m_strLastMark = ReadLastMark(job.strFolder);
    }

    const size_t nFolderLen = job.strFolder.size();
    CutUnits(strName, nFolderLen > 250 ? 0 : 250 - nFolderLen);

    std::u16string strExt = u".jpg";
    if (HasPicExt(strName)) {
        size_t dot = strName.rfind(u'.');
        strExt = strName.substr(dot);
        strName.resize(dot);
    }
    // The unit cut above cannot keep a name of wide characters within 255 bytes of UTF-8.
    strName = FitComponent(strName, Utf8Length(strExt));

    std::u16string strFile = strName + strExt;
    std::u16string strCounterKey;
    uint32_t nCounter = 0;
    if (n > 0 && !bNumbered && FindJobName(strFile) >= 0) {
        strCounterKey = CounterKey(strName, strExt);
        auto it = s_mapCounter.find(strCounterKey);
        nCounter = it == s_mapCounter.end() ? 0 : it->second;
        do
            strFile = NumberedName(strName, ++nCounter, strExt);
        while (FindJobName(strFile) >= 0);
    }

    if ((set.wFlags & SSF_SKIP_DOWNLOADED) && !st.m_strLastMark.empty() && strUrl == st.m_strLastMark) {
        st.m_byDownState = DOWN_ALBUM_DONE;
        return;
    }

    job.arrUrl.push_back(strUrl);
    job.arrName.push_back(strFile);
    job.arrHeader.push_back(strHeader);
    job.mapNameIndex.emplace(LowerAscii(strFile), static_cast<int>(n));
    if (nCounter > 0)
        s_mapCounter[strCounterKey] = nCounter;

    char buf[64];
    std::snprintf(buf, sizeof buf, "%d", job.Count());
    st.Hooks().SetControlText(IDC_STATUS2, u"已获取到" + AsciiToU16(buf) + u"张图片信息");

    if (set.wFlags & SSF_ORIGNAME_FILE)
        AppendPicName(job.strFolder, album.strName, strCaption, job.Count() < 2);
}

void RebuildJobNameIndex()
{
    ST_DOWNJOB& job = *g_pJob;
    job.mapNameIndex.clear();
    s_mapCounter.clear();
    for (size_t i = 0; i < job.arrName.size(); ++i)
        job.mapNameIndex.emplace(LowerAscii(job.arrName[i]), static_cast<int>(i));
}
