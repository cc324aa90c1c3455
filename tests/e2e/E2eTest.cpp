// albumora-cli against the substitute photo service: whole runs as a user makes them.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <regex>

#include "E2eSupport.h"

using namespace e2e;

namespace {

struct Post {
    std::string id, caption, address;
    bool bVideo = false;
};

std::vector<Post> Posts(const Service& svc)
{
    const std::string json = svc.Admin("posts?host=www.instagram.com");
    auto ids = JsonValues(json, "id"), captions = JsonValues(json, "caption"),
         addresses = JsonValues(json, "expected_address"), videos = JsonValues(json, "video_url");
    std::vector<Post> v;
    for (size_t i = 0; i < addresses.size(); ++i)
        v.push_back({ids[i], captions[i], addresses[i], !videos[i].empty()});
    return v;
}

// Picture files of an album folder by their number (the "?2) " prefix).
std::map<int, fs::path> NumberedFiles(const fs::path& folder, std::vector<std::string>* pOthers = nullptr)
{
    std::map<int, fs::path> files;
    static const std::regex re(R"(^(\d+)\) .*\.(jpg|png|mp4)$)");
    for (const auto& e : fs::directory_iterator(folder)) {
        std::string name = e.path().filename().string();
        std::smatch m;
        if (std::regex_match(name, m, re))
            files[std::stoi(m[1])] = e.path();
        else if (pOthers)
            pOthers->push_back(name);
    }
    return files;
}

std::u16string Utf16Le(const std::string& bytes)
{
    std::u16string s;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        s += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
    return s;
}

std::u16string Ascii16(const std::string& s)
{
    return std::u16string(s.begin(), s.end());
}

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

std::string NoBlanks(std::string s)
{
    s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\n'; }), s.end());
    return s;
}

} // namespace

// 120 posts over three pages with 5 videos, first-run naming, format and order passes, the
// caption file, the marker; then three new posts fetched alone with --skip-downloaded.
TEST(CliRun, WholeProfileThenOnlyTheNewPosts)
{
    Service svc(
        {"--posts", "120", "--videos", "5", "--first-page", "20", "--pic-min-kb", "2", "--pic-max-kb", "16"});
    ASSERT_GT(svc.Port(), 0);
    Cli cli(svc);
    CliRun r = cli.Run({"--fix-order", "--captions", "--threads", "7", "--timeout", "20"});
    ASSERT_EQ(r.nExit, 0) << r.strOut << r.strErr;
    EXPECT_NE(r.strOut.find("pictures on disk: 120"), std::string::npos) << r.strOut;

    const std::vector<Post> posts = Posts(svc);
    ASSERT_EQ(posts.size(), 120u);
    const fs::path album = cli.Out() / "sample_user";
    std::vector<std::string> others;
    auto files = NumberedFiles(album, &others);
    ASSERT_EQ(files.size(), 120u);
    std::sort(others.begin(), others.end());
    EXPECT_EQ(others, (std::vector<std::string>{"pic.nvx", "sample_user.txt"}));
    int nVideos = 0;
    for (int k = 1; k <= 120; ++k) {
        const Post& p = posts[k - 1];
        const std::string name = files[k].filename().string();
        const std::string stem = std::to_string(k) + ") " + p.caption;
        EXPECT_EQ(name.substr(0, name.rfind('.')), stem);
        EXPECT_EQ(files[k].extension() == ".mp4", p.bVideo) << name;
        nVideos += p.bVideo;
        EXPECT_EQ(ReadFile(files[k]), svc.Admin("bytes?url=" + UrlEncode(p.address))) << name;
        if (k > 1) {
            struct stat a, b;
            ASSERT_EQ(::stat(files[k - 1].c_str(), &a), 0);
            ASSERT_EQ(::stat(files[k].c_str(), &b), 0);
            EXPECT_EQ(a.st_mtime - b.st_mtime, 60) << name;
        }
    }
    EXPECT_EQ(nVideos, 5);
    EXPECT_EQ(Utf16Le(ReadFile(album / "pic.nvx")), Ascii16(posts[0].address));
    const std::string captions = ReadFile(album / "sample_user.txt");
    EXPECT_EQ(captions.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(Count(captions, std::string("\r\0\n\0", 4)), 120);

    // The first query continues after the profile page's last post and carries the cookie's token.
    const std::string queries = svc.Admin("requests?kind=query");
    auto bodies = JsonValues(queries, "body");
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_NE(bodies[0].find("media.after(" + posts[19].id + "%2C+50)"), std::string::npos) << bodies[0];
    const std::string token = JsonValues(svc.Admin("posts"), "csrftoken").at(0);
    EXPECT_NE(NoBlanks(queries).find("[\"x-csrftoken\",\"" + token + "\"]"), std::string::npos);

    // Settings given for the run never reach soft.dat: the Instagram slot keeps 5 threads, 30 s.
    const std::string dat = ReadFile(cli.Settings() / "soft.dat");
    ASSERT_EQ(dat.size(), 19808u);
    EXPECT_EQ(dat[17 * 8 + 4], 5);
    EXPECT_EQ(dat[17 * 8 + 6], 30);

    // Three new posts: the second run stops at the marker and fetches only those.
    ASSERT_FALSE(svc.Admin("add-posts?n=3").empty());
    ASSERT_FALSE(svc.Admin("reset").empty());
    r = cli.Run({"--skip-downloaded"});
    ASSERT_EQ(r.nExit, 0) << r.strOut << r.strErr;
    EXPECT_EQ(Count(svc.Admin("requests"), "\"kind\": \"picture\""), 3);
    const std::vector<Post> fresh = Posts(svc);
    for (int k = 1; k <= 3; ++k) {
        const fs::path p = album / (std::to_string(k) + ") " + fresh[k - 1].caption + ".jpg");
        const fs::path q = fs::path(p).replace_extension(".png");
        EXPECT_TRUE(fs::exists(p) || fs::exists(q)) << p;
    }
    EXPECT_EQ(Utf16Le(ReadFile(album / "pic.nvx")), Ascii16(fresh[0].address));
}

TEST(CliRun, ListOnlyWritesTheListAndNoPicture)
{
    Service svc({"--posts", "120", "--videos", "5", "--first-page", "20"});
    Cli cli(svc);
    CliRun r = cli.Run({"--list-only"});
    ASSERT_EQ(r.nExit, 0) << r.strOut << r.strErr;
    const fs::path album = cli.Out() / "sample_user";
    const std::string list = ReadFile(album / "sample_user.lst");
    EXPECT_EQ(Count(list, "\r\n"), 120);
    EXPECT_EQ(list.substr(0, list.find("\r\n")), Posts(svc)[0].address);
    EXPECT_TRUE(NumberedFiles(album).empty());
    EXPECT_EQ(Count(svc.Admin("requests"), "\"kind\": \"picture\""), 0);
}

TEST(CliRun, SyntaxErrorPageIsWaitedOut)
{
    Service svc({"--posts", "6", "--first-page", "6", "--syntax-error-profile", "1"});
    Cli cli(svc);
    CliRun r = cli.Run({});
    ASSERT_EQ(r.nExit, 0) << r.strOut << r.strErr;
    EXPECT_EQ(Count(svc.Admin("requests?kind=profile"), "\"kind\": \"profile\""), 2);
    EXPECT_EQ(NumberedFiles(cli.Out() / "sample_user").size(), 6u);
}

TEST(CliRun, SetUpAndUsageErrorsGiveTheirMessagesAndStatus)
{
    Service svc({"--posts", "3"});
    Cli probe(svc);
    std::ofstream(probe.Settings() / "file") << "x";
    const std::string blocked = (probe.Settings() / "file" / "sub").string();
    struct Case {
        std::vector<std::string> args;
        std::string address;
        int nExit;
        std::vector<std::string> messages;
    } cases[] = {
        {{}, "www.instagram.com/sample_user", 1, {"http://"}},
        {{"-o", ""}, "http://www.instagram.com/sample_user/", 1, {"请先设置保存路径"}},
        {{"-o", blocked},
         "http://www.instagram.com/sample_user/",
         1,
         {blocked, "请检测设置的保存路径是否有误"}},
        {{"--threads", "16"}, "http://www.instagram.com/sample_user/", 2, {"参数错误"}},
        {{"--timeout", "9"}, "http://www.instagram.com/sample_user/", 2, {"参数错误"}},
        {{"--frobnicate"}, "http://www.instagram.com/sample_user/", 2, {"usage:"}},
    };
    for (const Case& c : cases) {
        Cli cli(svc);
        CliRun r = cli.Run(c.args, c.address);
        EXPECT_EQ(r.nExit, c.nExit) << c.address << r.strErr;
        for (const auto& m : c.messages)
            EXPECT_NE(r.strErr.find(m), std::string::npos) << m << "\n" << r.strErr;
    }
    EXPECT_EQ(Count(svc.Admin("requests"), "\"kind\": \"picture\""), 0);
}

// Ctrl-C while pictures are in flight: they are finished, nothing is left torn, status 130.
TEST(CliRun, InterruptDuringDownloadLeavesOnlyCompleteFiles)
{
    Service svc({"--posts", "12", "--first-page", "12", "--pic-min-kb", "40", "--pic-max-kb", "60",
                 "--bandwidth-kbps", "25"});
    Cli cli(svc);
    pid_t pid = cli.Start({"--threads", "3"});
    ASSERT_GT(pid, 0);
    bool bStarted = false;
    for (int i = 0; i < 300 && !bStarted; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        bStarted = Count(svc.Admin("requests?kind=picture"), "\"kind\": \"picture\"") > 0;
    }
    ASSERT_TRUE(bStarted);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(pid, SIGINT);
    CliRun r = cli.Finish(pid);
    EXPECT_EQ(r.nExit, 130) << r.strOut << r.strErr;

    const std::vector<Post> posts = Posts(svc);
    std::vector<std::string> others;
    auto files = NumberedFiles(cli.Out() / "sample_user", &others);
    EXPECT_TRUE(others.empty()) << others.size() << " other files, first: " << others[0];
    EXPECT_GE(files.size(), 1u);
    EXPECT_LT(files.size(), 12u);
    for (const auto& [k, path] : files)
        EXPECT_EQ(ReadFile(path), svc.Admin("bytes?url=" + UrlEncode(posts[k - 1].address))) << path;
}
