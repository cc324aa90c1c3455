// Command line of albumora-cli: what the user asked for this run. Parsing only; applying the
// settings overrides to the working state is CliOptions::ApplyTo.
#pragma once

#include <optional>
#include <string>

class CWorkState;

struct ST_CLIOPTIONS {
    std::u16string strAddress;
    std::optional<std::u16string> strOutput; // -o; none = newest folder history, else cwd
    std::u16string strSettingsDir;           // --settings-dir; "" = current directory
    int nAnswer = 0;                         // --yes 1, --no -1, 0 = ask on the terminal

    // Settings for this run only (never written to soft.dat).
    std::optional<long> nThreads, nTimeout, nMinSize, nMaxSize;
    std::optional<std::u16string> strPrefix, strSuffix;
    std::optional<int> nNameType, nAlbumDirType;
    uint16_t wSetFlags = 0;   // SSF_* bits switched on
    uint16_t wClearFlags = 0; // SSF_* bits switched off
    bool bOpenFolder = false; // --open-folder: really launch the file browser
};

enum class CliParse { Ok, Help, Usage, BadValue };

// Parses argv. On Usage, strError says what was wrong; on BadValue a numeric setting is out of
// the range the settings dialog accepts (the caller shows "参数错误").
CliParse ParseCliOptions(int argc, char** argv, ST_CLIOPTIONS& opt, std::string& strError);

// Writes the overrides into the working site's records of st.m_SoftDat.
void ApplyCliOverrides(const ST_CLIOPTIONS& opt, CWorkState& st);

extern const char kCliUsage[];
