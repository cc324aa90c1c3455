// Shared fixture of the download engine tests: a fresh temporary save folder, a working state on
// the Instagram slot with every naming rule empty, recording hooks, and an empty job.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/WorkState.h"
#include "support/RecordingHooks.h"
#include "text/StringCtrl.h"

namespace fs = std::filesystem;

inline std::string ReadBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& p, const std::string& bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::u16string U16(const std::string& utf8)
{
    return FromUtf8(utf8);
}

class DownFixture : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "albumora-dl-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
        st.m_nSiteType = 17;
        st.m_pHooks = &hooks;
        hooks.Attach(&st);
        g_pJob->Reset(Base());
        g_pJob->hNotifyWnd = &hooks;
        g_dwMinSizeK = 0;
        g_dwMaxSizeK = 0;
        g_dwThreads = 5;
        g_dwTimeoutSec = 10;
        g_bStopDownload = false;
    }
    void TearDown() override
    {
        g_pJob->Reset(u"");
        g_pJob->hNotifyWnd = nullptr;
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    // The save folder as the job holds it: ending in '/'.
    std::u16string Base() const { return U16(m_dir.string() + "/"); }
    ST_SITESET& Set() { return st.CurSiteSet(); }
    // Adds an album and returns its position.
    int AddAlbum(const std::u16string& strName)
    {
        ST_PERLISTRECORD rec;
        rec.strName = strName;
        return st.m_pAlbumList->AddAlbum(rec) - 1;
    }
    std::vector<std::u16string> Names() const { return g_pJob->arrName; }
    fs::path Folder() const { return fs::path(ToUtf8(g_pJob->strFolder)); }

    fs::path m_dir;
    CWorkState st;
    RecordingHooks hooks;
};
