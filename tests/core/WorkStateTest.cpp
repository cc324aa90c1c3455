#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/WorkState.h"
#include "support/RecordingHooks.h"

TEST(WorkState, LoadFillsHistoryCombosFromTheImage)
{
    TempDir dir;
    ST_SOFTDAT src{};
    SzSet(src.szUrlHistory[0], u"https://www.instagram.com/b");
    SzSet(src.szUrlHistory[2], u"https://www.instagram.com/a");
    SzSet(src.szPathHistory[4], u"/srv/相册/");
    dir.Write(kSoftDatName, std::string(reinterpret_cast<const char*>(&src), sizeof src));

    CWorkState st;
    RecordingHooks hooks(&st);
    st.m_pHooks = &hooks;
    st.m_strAppDir = dir.AppDir();
    EXPECT_TRUE(st.LoadSoftDat());

    EXPECT_EQ(hooks.Entries(IDC_URL_BOX),
              (std::vector<std::u16string>{u"https://www.instagram.com/b", u"https://www.instagram.com/a"}));
    EXPECT_EQ(hooks.Entries(IDC_PATH_BOX), std::vector<std::u16string>{u"/srv/相册/"});
    auto calls = hooks.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().strName, "ResetEntries");
}

TEST(WorkState, SiteRecordsFollowTheWorkingIndex)
{
    CWorkState st;
    st.m_SoftDat.DownParam[SITE_INSTAGRAM].wThreads = 9;
    st.m_SoftDat.DownParam[0].wThreads = 2;
    st.m_nSiteType = SITE_INSTAGRAM;
    EXPECT_EQ(st.CurDownParam().wThreads, 9);
    st.CurSiteSet().wFlags = SSF_THUNDER_ONLY;
    EXPECT_EQ(st.m_SoftDat.SiteSet[SITE_INSTAGRAM].wFlags, SSF_THUNDER_ONLY);
    // An index outside the table never reads past it.
    st.m_nSiteType = 99;
    EXPECT_EQ(st.CurDownParam().wThreads, 2);
    st.m_nSiteType = -1;
    EXPECT_EQ(st.CurDownParam().wThreads, 2);
    // Without a front end the hooks are harmless.
    CWorkState bare;
    EXPECT_EQ(bare.Hooks().MessageBox(u"?", u"", MB_YESNO), IDNO);
}
