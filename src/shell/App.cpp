// CVelloriaApp: the desktop program. Creates the main window hidden (it shows itself when the
// start-up work reports back) and runs until that window closes.
//
// Usage: albumora [--desktop] [ADDRESS]
//   --desktop  keep the settings in the program's folder under the data home (the launcher's way)
//   ADDRESS    put this address into the address box instead of the clipboard's text
#include "shell/VelloriaDlg.h"

#include "controls/ComboBox2.h"

#include "text/StringCtrl.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/image.h>

class CVelloriaApp : public wxApp {
  public:
    bool OnInit() override
    {
        // Started from the desktop launcher: settings live in the program's own folder under
        // the data home, never in the home folder the launcher would start it in.
        // An address given on the command line takes the place of the clipboard's text.
        wxString strAddress;
        for (int i = 1; i < argc; ++i) {
            if (argv[i] == "--desktop")
                EnterDataFolder();
            else if (!argv[i].StartsWith("-"))
                strAddress = argv[i];
        }
        wxInitAllImageHandlers();
        SetAppName("albumora");
        SetAppDisplayName("Gramvista");
        auto* pDlg = new CVelloriaDlg();
        if (!strAddress.empty())
            pDlg->UrlBox()->SetValue(strAddress);
        SetTopWindow(pDlg);
        SetExitOnFrameDelete(true);
        return true;
    }

    int OnExit() override
    {
        // Worker threads are never waited for: end the process here, before the libraries'
        // own clean-up could pull anything from under a thread that still runs.
        std::fflush(nullptr);
        _exit(0);
    }

  private:
    static void EnterDataFolder()
    {
        std::string strBase;
        if (const char* p = std::getenv("XDG_DATA_HOME"); p && *p == '/')
            strBase = p;
        else if (const char* h = std::getenv("HOME"); h && *h)
            strBase = std::string(h) + "/.local/share";
        if (strBase.empty())
            return;
        const std::filesystem::path dir = std::filesystem::path(strBase) / "albumora";
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (chdir(dir.c_str()) != 0)
            std::perror("albumora: settings folder");
    }
};

wxIMPLEMENT_APP(CVelloriaApp);
