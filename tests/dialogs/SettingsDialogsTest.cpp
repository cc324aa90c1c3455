// The two settings dialogs on live records: range checks, cuts, radio groups, the help text,
// and that only OK changes the record and (through the menu) soft.dat.
#include <gtest/gtest.h>
#include <wx/hyperlink.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include "DialogTestSupport.h"
#include "shell/DlgDownSet.h"
#include "shell/DlgSaveSet.h"

using namespace dialogs_test;

namespace {

void SetEdit(wxWindow* pDlg, int nId, const wxString& strText)
{
    static_cast<wxTextCtrl*>(pDlg->FindWindow(nId))->SetValue(strText);
}

} // namespace

TEST(DlgDownSet, ShowsTheRecordAndChecksRanges)
{
    struct Case {
        const char *szThreads, *szTimeout, *szMin, *szMax;
        bool bAccepted;
    } kCases[] = {
        {"15", "10", "0", "0", true}, // both limits, and sizes of 0
        {"1", "600", "20", "4000", true},
        {" 7 ", "+30", "5", "9", true}, // blanks and a sign are still numbers
        {"0", "10", "0", "0", false},
        {"16", "10", "0", "0", false},
        {"5", "9", "0", "0", false},
        {"abc", "30", "0", "0", false}, // not a number reads as 0
        {"5", "30x", "0", "0", false},
        {"-5", "30", "0", "0", false},
        {"5", "30", "-1", "0", false},   // would become a 64 MB minimum in the 16-bit field
        {"5", "70000", "0", "0", false}, // would wrap to 4464 seconds
        {"99999999999999999999", "30", "0", "0", false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.szThreads) + " / " + c.szTimeout + " / " + c.szMin + " / " + c.szMax);
        ST_DOWNPARAM param{100, 2000, 5, 30};
        const ST_DOWNPARAM before = param;
        CModalScript script;
        auto* pDlg = new CDlgDownSet(nullptr, &param);
        EXPECT_EQ(static_cast<wxTextCtrl*>(pDlg->FindWindow(CDlgDownSet::IDC_THREADS))->GetValue(), "5");
        EXPECT_EQ(static_cast<wxTextCtrl*>(pDlg->FindWindow(CDlgDownSet::IDC_TIMEOUT))->GetValue(), "30");
        EXPECT_EQ(static_cast<wxTextCtrl*>(pDlg->FindWindow(CDlgDownSet::IDC_MINSIZE))->GetValue(), "100");
        EXPECT_EQ(static_cast<wxTextCtrl*>(pDlg->FindWindow(CDlgDownSet::IDC_MAXSIZE))->GetValue(), "2000");
        int nResult = -1;
        script.m_fnOnDialog = [&](wxDialog* pShown) {
            SetEdit(pShown, CDlgDownSet::IDC_THREADS, c.szThreads);
            SetEdit(pShown, CDlgDownSet::IDC_TIMEOUT, c.szTimeout);
            SetEdit(pShown, CDlgDownSet::IDC_MINSIZE, c.szMin);
            SetEdit(pShown, CDlgDownSet::IDC_MAXSIZE, c.szMax);
            Press(pShown, CDlgDownSet::IDC_OK);
            if (pShown->IsModal()) // refused: the dialog stays open until cancelled
                pShown->EndModal(wxID_CANCEL);
        };
        nResult = pDlg->ShowModal();
        pDlg->Destroy();
        if (c.bAccepted) {
            EXPECT_EQ(nResult, wxID_OK);
            EXPECT_TRUE(script.m_arMessages.empty());
            EXPECT_EQ(param.wThreads, std::stoi(c.szThreads));
            EXPECT_EQ(param.wTimeoutSec, std::stoi(c.szTimeout));
            EXPECT_EQ(param.wMinSizeK, std::stoi(c.szMin));
            EXPECT_EQ(param.wMaxSizeK, std::stoi(c.szMax));
        } else {
            EXPECT_EQ(nResult, wxID_CANCEL);
            ASSERT_EQ(script.m_arMessages.size(), 1u);
            EXPECT_EQ(script.m_arMessages[0], wxString::FromUTF8("参数错误"));
            EXPECT_EQ(0, memcmp(&param, &before, sizeof param));
        }
    }
}

TEST(DlgSaveSet, EditsTheRecordOnlyOnOk)
{
    ST_SITESET set{};
    SzSet(set.szPrefix, u"pre_");
    SzSet(set.szSuffix, u"_suf");
    SzSet(set.szReplaceFrom, u"a|b");
    SzSet(set.szReplaceTo, u"x|y");
    SzSet(set.szAlbumPrefix, u"?3_");
    SzSet(set.szAlbumSuffix, u"");
    set.wFlags = 0x1234;
    set.byNameType = 2;
    set.byAlbumDirType = 1;

    {
        CDlgSaveSet dlg(nullptr, &set);
        EXPECT_EQ(static_cast<wxTextCtrl*>(dlg.FindWindow(CDlgSaveSet::IDC_PREFIX))->GetValue(), "pre_");
        EXPECT_EQ(static_cast<wxTextCtrl*>(dlg.FindWindow(CDlgSaveSet::IDC_REPLACE_TO))->GetValue(), "x|y");
        EXPECT_EQ(static_cast<wxTextCtrl*>(dlg.FindWindow(CDlgSaveSet::IDC_ALBUM_PREFIX))->GetValue(), "?3_");
        EXPECT_TRUE(static_cast<wxRadioButton*>(dlg.FindWindow(CDlgSaveSet::IDC_NAME_URL))->GetValue());
        EXPECT_TRUE(static_cast<wxRadioButton*>(dlg.FindWindow(CDlgSaveSet::IDC_DIR_NONE))->GetValue());

        // Cancelling after edits changes nothing.
        const ST_SITESET before = set;
        CModalScript script;
        script.m_fnOnDialog = [](wxDialog* pShown) {
            SetEdit(pShown, CDlgSaveSet::IDC_PREFIX, "changed");
            static_cast<wxRadioButton*>(pShown->FindWindow(CDlgSaveSet::IDC_NAME_DESC))->SetValue(true);
            pShown->EndModal(wxID_CANCEL);
        };
        EXPECT_EQ(dlg.ShowModal(), wxID_CANCEL);
        EXPECT_EQ(0, memcmp(&set, &before, sizeof set));
    }

    // OK stores every field; texts are cut to 38 characters, a surrogate pair is never split.
    const wxString str50 = wxString::FromUTF8("一二三四五六七八九十") + wxString('x', 40);
    wxString strPairAt38 = wxString('y', 37) + wxString::FromUTF8("😀") + "z"; // pair at 38/39
    CDlgSaveSet dlg(nullptr, &set);
    CModalScript script;
    script.m_fnOnDialog = [&](wxDialog* pShown) {
        SetEdit(pShown, CDlgSaveSet::IDC_PREFIX, str50);
        SetEdit(pShown, CDlgSaveSet::IDC_SUFFIX, strPairAt38);
        SetEdit(pShown, CDlgSaveSet::IDC_REPLACE_FROM, "");
        SetEdit(pShown, CDlgSaveSet::IDC_REPLACE_TO, "r");
        SetEdit(pShown, CDlgSaveSet::IDC_ALBUM_PREFIX, "?1");
        SetEdit(pShown, CDlgSaveSet::IDC_ALBUM_SUFFIX, "_?9");
        static_cast<wxRadioButton*>(pShown->FindWindow(CDlgSaveSet::IDC_NAME_NUMBER))->SetValue(true);
        static_cast<wxRadioButton*>(pShown->FindWindow(CDlgSaveSet::IDC_DIR_ALBUM))->SetValue(true);
        Press(pShown, CDlgSaveSet::IDC_OK);
    };
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
    EXPECT_EQ(SzGet(set.szPrefix), u"一二三四五六七八九十" + std::u16string(28, u'x'));
    EXPECT_EQ(SzGet(set.szSuffix), std::u16string(37, u'y'));
    EXPECT_EQ(SzGet(set.szReplaceFrom), u"");
    EXPECT_EQ(SzGet(set.szReplaceTo), u"r");
    EXPECT_EQ(SzGet(set.szAlbumPrefix), u"?1");
    EXPECT_EQ(SzGet(set.szAlbumSuffix), u"_?9");
    EXPECT_EQ(set.byNameType, NAME_BY_NUMBER);
    EXPECT_EQ(set.byAlbumDirType, ALBUMDIR_BY_NAME);
    EXPECT_EQ(set.wFlags, 0x1234); // not the dialog's business
}

TEST(DlgSaveSet, HelpLinkShowsTheEscapes)
{
    ST_SITESET set{};
    CDlgSaveSet dlg(nullptr, &set);
    CModalScript script;
    wxHyperlinkEvent event(dlg.FindWindow(CDlgSaveSet::IDC_HELP_LINK), CDlgSaveSet::IDC_HELP_LINK,
                           wxEmptyString);
    dlg.FindWindow(CDlgSaveSet::IDC_HELP_LINK)->GetEventHandler()->ProcessEvent(event);
    ASSERT_EQ(script.m_arMessages.size(), 1u);
    const wxString& strText = script.m_arMessages[0];
    EXPECT_TRUE(
        strText.StartsWith(wxString::FromUTF8("设置前后缀，可以在图片本来的文件名前后加上指定的字符\n")));
    EXPECT_TRUE(strText.EndsWith(wxString::FromUTF8("?9:相册在列表中的序号(格式为：0001,0002,0003...)")));
    // The five parts in order, each joined without anything between them.
    EXPECT_NE(strText.Find(wxString::FromUTF8("则最后图片名将变为vemta_com.jpg\n如果前缀为www_")),
              wxNOT_FOUND);
    EXPECT_NE(strText.Find(wxString::FromUTF8("www_vemta_com.jpg\n相册名那里前后缀一样\n")), wxNOT_FOUND);
    EXPECT_NE(strText.Find(wxString::FromUTF8("所表示的字符串\n转义字符如下（问号为英文的问号")),
              wxNOT_FOUND);
    EXPECT_NE(strText.Find(wxString::FromUTF8("只支持?1,?3,?9）：\n?1:相册名称\n?2:")), wxNOT_FOUND);
    EXPECT_EQ(strText, SaveSetHelpText());
}
