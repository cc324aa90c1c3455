// CookieStore: the one process-wide cookie store of the program.
//
// Every HTTP attempt (URLSource2) sends the cookies stored for its address and stores what the
// responses set. Until InitCookieStore is called the store lives in memory only; after it, the
// store is read from "cookies.txt" in the settings folder and the file is rewritten (temporary
// name, then rename) whenever the stored cookies change. The file is in the Netscape text form;
// lines of seven columns and the eight-column form written by the login window's browser engine
// (an extra SameSite column) are both read, and "#HttpOnly_" lines are cookies too.
//
// Threads: every function may be called from any thread; the store has its own lock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ST_COOKIE {
    std::string strDomain;    // host name, without a leading dot
    bool bSubdomains = false; // also sent to every host below strDomain
    std::string strPath = "/";
    bool bSecure = false; // sent over https only
    bool bHttpOnly = false;
    int64_t nExpires = 0; // Unix seconds; 0 = session cookie
    std::string strName;
    std::string strValue;
    std::string strSameSite; // eighth column as read ("None", "Lax", "Strict"); empty = none
};

// Binds the store to strFolder + "cookies.txt" (strFolder may end in '/' or not) and merges the
// file into the store. False when the file exists but cannot be read; a missing file is fine.
bool InitCookieStore(const std::u16string& strFolder);

// Reads cookies.txt again and merges it into the store (a cookie of the file replaces the stored
// one of the same domain, path and name), e.g. after the login window wrote it. False when the
// store has no file or the file cannot be read.
bool ReloadCookieFile();

// Stores a cookie (replacing one of the same domain, path and name; an expiry in the past
// deletes it) and rewrites the file when bound.
void AddCookie(const ST_COOKIE& cookie);

// Every stored, unexpired cookie.
std::vector<ST_COOKIE> GetAllCookies();

// Empties the store (and the file when bound).
void ClearCookies();

// Full path of the bound cookies.txt, or "" while the store lives in memory only.
std::u16string GetCookieFilePath();

// "name1=value1; name2=value2" for a UTF-8 address: domain, path, secure and expiry matching,
// longer paths first. "" when nothing matches or the address is not http(s).
std::string CookieHeaderForUrl(const std::string& strUrl);

// One line of a cookies.txt file. Accepts seven or eight tab-separated columns, with or without
// the "#HttpOnly_" prefix; false for comments, blank and malformed lines.
bool ParseCookieLine(const std::string& strLine, ST_COOKIE& cookie);
// The seven-column line of a cookie (with "#HttpOnly_" when set), without line end; with
// bSameSite and a non-empty strSameSite the eighth column is added.
std::string FormatCookieLine(const ST_COOKIE& cookie, bool bSameSite = false);
