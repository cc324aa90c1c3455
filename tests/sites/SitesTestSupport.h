// A small stand-in for the photo service on 127.0.0.1, built in the test from page texts, plus
// a working state wired to recording hooks.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/WorkState.h"
#include "support/RecordingHooks.h"
#include "text/StringCtrl.h"

// Loopback servers must be reached directly, whatever proxy the machine running the tests uses.
inline const bool g_bSitesNoProxy = [] {
    for (const char* v : {"http_proxy", "https_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY", "no_proxy"})
        unsetenv(v);
    return true;
}();

// One post as the service's pages show it. An empty display address leaves the key out.
inline std::string Node(const std::string& id, const std::string& code, const std::string& caption,
                        const std::string& display, bool video = false)
{
    std::string s = "{\"id\": \"" + id + "\", \"code\": \"" + code + "\", \"date\": 1480000000, " +
                    "\"dimensions\": {\"height\": 1080, \"width\": 1080}, ";
    if (!caption.empty())
        s += "\"caption\": \"" + caption + "\", ";
    s += "\"owner\": {\"id\": \"42\"}, \"is_video\": " + std::string(video ? "true" : "false");
    if (!display.empty())
        s += ", \"display_src\": \"" + display + "\"";
    return s + "}";
}

inline std::string Page(const std::string& owner, const std::string& endCursor,
                        const std::vector<std::string>& nodes)
{
    std::string s =
        "{\"user\": {\"owner\": {\"id\": \"" + owner +
        "\"}, \"media\": {\"count\": 9, \"page_info\": " + "{\"has_next_page\": true, \"end_cursor\": \"" +
        endCursor + "\"}, \"nodes\": [";
    for (size_t i = 0; i < nodes.size(); ++i)
        s += (i ? ", " : "") + nodes[i];
    return s + "]}}}";
}

class CFakeInstagram {
  public:
    struct Seen {
        std::string strPath, strBody, strToken, strReferer;
    };

    CFakeInstagram()
    {
        m_svr.Get("/alice", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard lk(m_mx);
            m_nProfileHits++;
            res.set_header("Set-Cookie", "csrftoken=tok123; Path=/");
            if (m_nSyntaxErrors > 0) {
                --m_nSyntaxErrors;
                res.set_content("{\"message\": \"syntax error\", \"status\": \"fail\"}", "application/json");
                return;
            }
            res.set_content(m_strProfile, "text/html; charset=utf-8");
        });
        m_svr.Post("/query/", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lk(m_mx);
            m_Queries.push_back(
                {req.path, req.body, req.get_header_value("x-csrftoken"), req.get_header_value("referer")});
            size_t i = m_Queries.size() - 1;
            res.set_content(i < m_QueryAnswers.size() ? m_QueryAnswers[i] : std::string("{}"),
                            "application/json");
        });
        m_svr.Get(R"(/p/([^/]+)/)", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lk(m_mx);
            m_Views.push_back(req.matches[1].str() + "?" + req.get_param_value("taken-by") + "&" +
                              req.get_param_value("__a"));
            auto it = m_ViewAnswers.find(req.matches[1].str());
            if (it == m_ViewAnswers.end()) {
                res.status = 404;
                return;
            }
            res.set_content(it->second, "application/json");
        });
        m_svr.Get(R"(/pic/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lk(m_mx);
            m_nPictureHits++;
            res.set_content("\xFF\xD8\xFF\xE0 picture " + req.matches[1].str(), "image/jpeg");
        });
        // One request per connection, so stopping never waits out an idle kept-alive one.
        m_svr.set_keep_alive_max_count(1);
        m_nPort = m_svr.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_svr.listen_after_bind(); });
        while (!m_svr.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~CFakeInstagram()
    {
        m_svr.stop();
        m_thread.join();
    }

    std::string Root() const { return "http://127.0.0.1:" + std::to_string(m_nPort); }
    std::u16string Root16() const { return FromUtf8(Root()); }

    void SetProfile(std::string s, int nSyntaxErrors = 0)
    {
        std::lock_guard lk(m_mx);
        m_strProfile = std::move(s);
        m_nSyntaxErrors = nSyntaxErrors;
    }
    void AddQueryAnswer(std::string s)
    {
        std::lock_guard lk(m_mx);
        m_QueryAnswers.push_back(std::move(s));
    }
    void SetView(const std::string& code, std::string s)
    {
        std::lock_guard lk(m_mx);
        m_ViewAnswers[code] = std::move(s);
    }
    std::vector<Seen> Queries()
    {
        std::lock_guard lk(m_mx);
        return m_Queries;
    }
    std::vector<std::string> Views()
    {
        std::lock_guard lk(m_mx);
        return m_Views;
    }
    int ProfileHits()
    {
        std::lock_guard lk(m_mx);
        return m_nProfileHits;
    }
    int PictureHits()
    {
        std::lock_guard lk(m_mx);
        return m_nPictureHits;
    }

  private:
    httplib::Server m_svr;
    int m_nPort = 0;
    std::thread m_thread;
    std::mutex m_mx;
    std::string m_strProfile;
    int m_nSyntaxErrors = 0;
    int m_nProfileHits = 0, m_nPictureHits = 0;
    std::vector<std::string> m_QueryAnswers;
    std::map<std::string, std::string> m_ViewAnswers;
    std::vector<Seen> m_Queries;
    std::vector<std::string> m_Views;
};

// A working state on a fresh settings folder with first-run settings, its hooks attached.
class CSitesState {
  public:
    CSitesState() : m_hooks(&m_st)
    {
        char tmpl[] = "/tmp/albumora-sites-XXXXXX";
        m_dir = ::mkdtemp(tmpl);
        m_st.m_strAppDir = FromUtf8(m_dir.string() + "/");
        m_st.m_pHooks = &m_hooks;
        m_st.m_nSiteType = 17;
        m_st.m_bReady = 1;
        ::LoadSoftDat(m_st.m_SoftDat, m_st.m_strAppDir);
        g_pJob->Reset(FromUtf8(m_dir.string() + "/out/"));
        g_pJob->hNotifyWnd = &m_hooks;
    }
    ~CSitesState()
    {
        g_pJob->Reset(u"");
        g_pJob->hNotifyWnd = nullptr;
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    CWorkState& St() { return m_st; }
    RecordingHooks& Hooks() { return m_hooks; }
    const std::filesystem::path& Dir() const { return m_dir; }
    std::u16string Dir16(const std::string& sub = "") const { return FromUtf8((m_dir / sub).string()); }

    // An album whose profile page is at strUrl.
    int AddAlbum(const std::u16string& strName, const std::u16string& strUrl)
    {
        ST_PERLISTRECORD rec;
        rec.strName = strName;
        rec.strAlbumUrl = strUrl;
        return m_st.m_pAlbumList->AddAlbum(rec) - 1;
    }

  private:
    std::filesystem::path m_dir;
    CWorkState m_st;
    RecordingHooks m_hooks;
};
