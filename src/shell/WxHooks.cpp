#include "shell/WxHooks.h"

#include "grid/MyGridCtrl.h"
#include "shell/VelloriaDlg.h"
#include "text/StringCtrl.h"

#include <future>
#include <memory>
#include <wx/app.h>
#include <wx/choice.h>
#include <wx/clipbrd.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>

#include "controls/ComboBox2.h"

namespace {

wxString Wx(const std::u16string& s)
{
    return wxString::FromUTF8(ToUtf8(s));
}

std::u16string U16(const wxString& s)
{
    return FromUtf8(std::string(s.utf8_str()));
}

std::u16string ReadClipboard()
{
    std::u16string strText;
    if (wxTheClipboard && wxTheClipboard->Open()) {
        if (wxTheClipboard->IsSupported(wxDF_UNICODETEXT) || wxTheClipboard->IsSupported(wxDF_TEXT)) {
            wxTextDataObject data;
            if (wxTheClipboard->GetData(data))
                strText = U16(data.GetText());
        }
        wxTheClipboard->Close();
    }
    return strText;
}

} // namespace

void InstallClipboardProvider()
{
    SetClipboardTextProvider([]() -> std::u16string {
        if (wxThread::IsMain())
            return ReadClipboard();
        if (!wxTheApp)
            return u"";
        auto pDone = std::make_shared<std::promise<std::u16string>>();
        auto fut = pDone->get_future();
        wxTheApp->CallAfter([pDone] { pDone->set_value(ReadClipboard()); });
        return fut.get();
    });
}

struct CWxHooks::Question {
    std::u16string strText, strCaption;
    int nStyle = MB_OK;
    std::promise<int> answer;
};

CWxHooks::CWxHooks(CVelloriaDlg* pDlg) : m_pDlg(pDlg) {}

void CWxHooks::Detach()
{
    m_bAlive = false;
    std::deque<Question*> waiting;
    {
        std::lock_guard lock(m_mtx);
        waiting.swap(m_Questions);
    }
    for (Question* q : waiting) {
        q->answer.set_value(IDNO);
        delete q;
    }
}

bool CWxHooks::RunOnUi(const std::function<void(CVelloriaDlg&)>& fn)
{
    if (!m_bAlive.load())
        return false;
    if (wxThread::IsMain()) {
        fn(*m_pDlg);
        return true;
    }
    if (!wxTheApp)
        return false;
    auto pDone = std::make_shared<std::promise<bool>>();
    auto fut = pDone->get_future();
    // The caller waits, so fn (and what it refers to) outlives the call.
    wxTheApp->CallAfter([this, &fn, pDone] {
        if (!m_bAlive.load()) {
            pDone->set_value(false);
            return;
        }
        fn(*m_pDlg);
        pDone->set_value(true);
    });
    return fut.get();
}

void CWxHooks::PostToUi(std::function<void(CVelloriaDlg&)> fn)
{
    if (!m_bAlive.load())
        return;
    if (wxThread::IsMain()) {
        fn(*m_pDlg);
        return;
    }
    if (wxTheApp)
        wxTheApp->CallAfter([this, fn = std::move(fn)] {
            if (m_bAlive.load())
                fn(*m_pDlg);
        });
}

// ---- window states ----

void CWxHooks::BeginListUI()
{
    PostToUi([](CVelloriaDlg& d) { d.BeginListUI(); });
}

void CWxHooks::EndListUI()
{
    PostToUi([](CVelloriaDlg& d) { d.EndListUI(); });
}

void CWxHooks::BeginDownloadUI()
{
    PostToUi([](CVelloriaDlg& d) { d.BeginDownloadUI(); });
}

void CWxHooks::EndDownloadUI()
{
    PostToUi([](CVelloriaDlg& d) { d.EndDownloadUI(); });
}

void CWxHooks::RunDownloadCommand()
{
    PostToUi([](CVelloriaDlg& d) { d.RunDownloadCommand(); });
}

// ---- album grid: synchronous, so the list thread never changes the album list while the UI
// thread reads it ----

void CWxHooks::AddAlbumRow(int nAlbumPos)
{
    bool bPreview = false;
    std::u16string strAppDir, strCover;
    int nImage = -1;
    if (!RunOnUi([&](CVelloriaDlg& d) {
            bPreview = d.Work().m_bPreview.load();
            strAppDir = d.Work().m_strAppDir;
            if (const ST_PERLISTRECORD* p = d.Work().m_pAlbumList->GetAlbum(nAlbumPos)) {
                strCover = p->strCoverUrl;
                nImage = p->nImage;
            }
        }))
        return;
    // The cover is fetched on the calling thread so the window stays responsive.
    const std::u16string strFile =
        bPreview ? CMyGridCtrl::FetchAlbumCover(strAppDir, nAlbumPos, strCover, nImage) : std::u16string();
    RunOnUi([&](CVelloriaDlg& d) { d.Grid()->ShowAlbumRow(nAlbumPos, strFile); });
}

void CWxHooks::FitRowHeights()
{
    RunOnUi([](CVelloriaDlg& d) { d.Grid()->FitRowHeights(); });
}

void CWxHooks::RedrawGrid()
{
    RunOnUi([](CVelloriaDlg& d) { d.Grid()->Refresh(); });
}

void CWxHooks::SelectEverything()
{
    RunOnUi([](CVelloriaDlg& d) { d.Grid()->SelectEverything(); });
}

int CWxHooks::GetRowCount()
{
    int n = 0;
    RunOnUi([&](CVelloriaDlg& d) { n = d.Grid()->RowCount(); });
    return n;
}

int CWxHooks::GetColumnCount()
{
    int n = 0;
    RunOnUi([&](CVelloriaDlg& d) { n = d.Grid()->ColumnCount(); });
    return n;
}

int CWxHooks::GetFixedRowCount()
{
    int n = 0;
    RunOnUi([&](CVelloriaDlg& d) { n = d.Grid()->HeaderRows(); });
    return n;
}

int CWxHooks::GetFixedColumnCount()
{
    int n = 0;
    RunOnUi([&](CVelloriaDlg& d) { n = d.Grid()->HeaderColumns(); });
    return n;
}

int CWxHooks::NextSelectedRow(int nAfterRow)
{
    int n = -1;
    RunOnUi([&](CVelloriaDlg& d) { n = d.Grid()->NextSelectedRow(nAfterRow); });
    return n;
}

int CWxHooks::CellData(int nRow, int nCol)
{
    int n = 0;
    RunOnUi([&](CVelloriaDlg& d) { n = static_cast<int>(d.Grid()->CellData(nRow, nCol)); });
    return n;
}

bool CWxHooks::IsCellSelected(int nRow, int nCol)
{
    bool b = false;
    RunOnUi([&](CVelloriaDlg& d) { b = d.Grid()->CellSelected(nRow, nCol); });
    return b;
}

// ---- controls ----

std::u16string CWxHooks::GetControlText(int nId)
{
    std::u16string s;
    RunOnUi([&](CVelloriaDlg& d) { s = U16(d.GetCtrlText(nId)); });
    return s;
}

void CWxHooks::SetControlText(int nId, const std::u16string& strText)
{
    if (nId != IDC_STATUS2) {
        PostToUi([nId, t = Wx(strText)](CVelloriaDlg& d) { d.SetCtrlText(nId, t); });
        return;
    }
    // Progress texts arrive once per picture from many workers: keep only the latest and let
    // one queued flush show it.
    bool bPost = false;
    {
        std::lock_guard lock(m_mtx);
        m_strStatus2 = strText;
        if (!m_bStatus2Pending)
            bPost = m_bStatus2Pending = true;
    }
    if (bPost)
        PostToUi([this](CVelloriaDlg&) { FlushStatus2(); });
}

void CWxHooks::FlushStatus2()
{
    std::u16string s;
    {
        std::lock_guard lock(m_mtx);
        if (!m_bStatus2Pending)
            return;
        m_bStatus2Pending = false;
        s = m_strStatus2;
    }
    m_pDlg->SetCtrlText(IDC_STATUS2, Wx(s));
}

bool CWxHooks::IsControlVisible(int nId)
{
    bool b = false;
    RunOnUi([&](CVelloriaDlg& d) {
        wxWindow* p = d.FindWindow(nId);
        b = p && p->IsShown();
    });
    return b;
}

int CWxHooks::GetComboSelection(int nId)
{
    int n = -1;
    RunOnUi([&](CVelloriaDlg& d) {
        if (auto* p = dynamic_cast<wxChoice*>(d.FindWindow(nId)))
            n = p->GetSelection();
        else if (auto* c = dynamic_cast<wxComboBox*>(d.FindWindow(nId)))
            n = c->GetSelection();
    });
    return n == wxNOT_FOUND ? -1 : n;
}

void CWxHooks::ResetEntries(int nComboId)
{
    PostToUi([nComboId](CVelloriaDlg& d) {
        if (auto* p = dynamic_cast<CComboBox2*>(d.FindWindow(nComboId)))
            p->ClearEntries();
    });
}

void CWxHooks::AddEntry(int nComboId, const std::u16string& strText)
{
    PostToUi([nComboId, t = Wx(strText)](CVelloriaDlg& d) {
        if (auto* p = dynamic_cast<CComboBox2*>(d.FindWindow(nComboId)))
            p->AddEntry(t);
    });
}

// ---- questions ----

int CWxHooks::ShowBox(const std::u16string& strText, const std::u16string& strCaption, int nStyle)
{
    if (m_fnShowBox)
        return m_fnShowBox(strText, strCaption, nStyle);
    long lStyle = 0;
    switch (nStyle & 0x0F) {
    case MB_YESNO:
        lStyle |= wxYES_NO;
        break;
    case MB_OKCANCEL:
        lStyle |= wxOK | wxCANCEL;
        break;
    default:
        lStyle |= wxOK;
    }
    switch (nStyle & 0xF0) {
    case MB_ICONERROR:
        lStyle |= wxICON_ERROR;
        break;
    case MB_ICONQUESTION:
        lStyle |= wxICON_QUESTION;
        break;
    case MB_ICONWARNING:
        lStyle |= wxICON_WARNING;
        break;
    case MB_ICONINFORMATION:
        lStyle |= wxICON_INFORMATION;
        break;
    }
    wxWindow* pParent = m_bAlive.load() && m_pDlg->IsShown() ? m_pDlg : nullptr;
    const wxString strCap = strCaption.empty() ? wxString(Wx(APP_CAPTION)) : Wx(strCaption);
    switch (wxMessageBox(Wx(strText), strCap, lStyle, pParent)) {
    case wxYES:
        return IDYES;
    case wxNO:
        return IDNO;
    case wxCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

int CWxHooks::MessageBox(const std::u16string& strText, const std::u16string& strCaption, int nStyle)
{
    if (!m_bAlive.load())
        return IDNO;
    if (wxThread::IsMain())
        return ShowBox(strText, strCaption, nStyle);
    auto* q = new Question{strText, strCaption, nStyle, {}};
    auto fut = q->answer.get_future();
    {
        std::lock_guard lock(m_mtx);
        m_Questions.push_back(q);
    }
    // Detach may have run between the first check and the push: then nobody would answer.
    if (!m_bAlive.load()) {
        Detach();
        return fut.get();
    }
    PostToUi([this](CVelloriaDlg&) { AskNext(); });
    return fut.get();
}

void CWxHooks::AskNext()
{
    Question* q = nullptr;
    {
        std::lock_guard lock(m_mtx);
        if (m_bAsking || m_Questions.empty())
            return;
        m_bAsking = true;
        q = m_Questions.front();
        m_Questions.pop_front();
    }
    const int nAnswer = ShowBox(q->strText, q->strCaption, q->nStyle);
    q->answer.set_value(nAnswer);
    delete q;
    bool bMore = false;
    {
        std::lock_guard lock(m_mtx);
        m_bAsking = false;
        bMore = !m_Questions.empty();
    }
    if (bMore && wxTheApp)
        wxTheApp->CallAfter([this] {
            if (m_bAlive.load())
                AskNext();
        });
}

// ---- shell and notices ----

void CWxHooks::OpenFolder(const std::u16string& strPath)
{
    PostToUi([strPath](CVelloriaDlg& d) { d.OpenTarget(strPath); });
}

void CWxHooks::DownNotify(uint32_t, uint32_t)
{
    // The window takes the notice and answers 1; nothing else happens.
    RunOnUi([](CVelloriaDlg&) {});
}
