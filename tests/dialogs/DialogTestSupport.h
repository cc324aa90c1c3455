// Helpers for the dialog tests: a modal-dialog hook that answers message boxes (recording their
// texts) and lets a test act inside any other modal dialog's real modal loop, and a temporary
// folder per test.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include "gui_support.h"

namespace dialogs_test {

class CModalScript : public wxModalDialogHook {
  public:
    CModalScript() { Register(); }
    ~CModalScript() override { Unregister(); }

    std::vector<wxString> m_arMessages;          // texts of the message boxes, in order
    std::function<void(wxDialog*)> m_fnOnDialog; // runs inside the modal loop of other dialogs
    // When set, answers other dialogs at once without showing them (for native dialogs that
    // run their own loop); wxID_NONE from it lets the dialog show.
    std::function<int(wxDialog*)> m_fnAnswer;
    int m_nDialogs = 0; // modal dialogs other than message boxes

  protected:
    int Enter(wxDialog* pDialog) override
    {
        if (auto* pBox = dynamic_cast<wxMessageDialogBase*>(pDialog)) {
            m_arMessages.push_back(pBox->GetMessage());
            return wxID_OK;
        }
        ++m_nDialogs;
        if (m_fnAnswer)
            return m_fnAnswer(pDialog);
        if (m_fnOnDialog)
            RunWhenModal(pDialog, m_fnOnDialog, std::chrono::steady_clock::now() + std::chrono::seconds(10));
        return wxID_NONE;
    }
    // Showing a dialog may run the event loop before its modal loop starts (the native file
    // chooser does), so the script waits until the dialog really is modal.
    static void RunWhenModal(wxDialog* pDialog, std::function<void(wxDialog*)> fn,
                             std::chrono::steady_clock::time_point until)
    {
        wxTheApp->CallAfter([pDialog, fn, until] {
            if (pDialog->IsModal() || std::chrono::steady_clock::now() > until)
                fn(pDialog);
            else
                RunWhenModal(pDialog, fn, until);
        });
    }
    void Exit(wxDialog*) override {}
};

// Presses a button of a window the way a click does.
inline void Press(wxWindow* pWindow, int nId)
{
    wxCommandEvent event(wxEVT_BUTTON, nId);
    event.SetEventObject(pWindow->FindWindow(nId));
    pWindow->FindWindow(nId)->GetEventHandler()->ProcessEvent(event);
}

// A fresh, empty folder for one test, removed afterwards; the path ends in '/'.
class CTempDir {
  public:
    CTempDir()
    {
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "albumora-dialogs-XXXXXX").string();
        m_strPath = mkdtemp(strTemplate.data());
        m_strPath += '/';
    }
    ~CTempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_strPath, ec);
    }
    const std::string& Path() const { return m_strPath; }
    std::u16string Path16() const { return std::u16string(m_strPath.begin(), m_strPath.end()); }

  private:
    std::string m_strPath;
};

} // namespace dialogs_test
