// URLSource2: every HTTP and HTTPS transfer of the program goes through here.
//
// A caller builds one ST_URLREQUEST and one CURLSource2, fills the request, calls FetchUrl and,
// on success, reads the page with CURLSource2::GetText (or relies on the file written to
// strSavePath). Each attempt opens and closes its own libcurl handle; DNS answers, TLS sessions
// and kept-alive connections are shared process-wide, and so is the cookie store (CookieStore.h).
//
// Threads: every function may be called from any thread at the same time, each thread with its
// own request and response records. A call blocks its thread for the whole fetch. Nothing here
// throws or shows anything: failures are false, "" or an empty body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Flags of CURLSource2::Request and FetchUrl.
constexpr uint32_t FETCH_CACHE_WRITE = 0x01; // FetchUrl: the validity test inflates a gzip body first
constexpr uint32_t FETCH_CACHE_READ = 0x02;  // no HTTP cache here: no effect
constexpr uint32_t FETCH_IE_AGENT = 0x40;    // send the second (old browser) agent string

// Flags of CURLSource2::GetText.
constexpr uint32_t TEXT_UNZIP = 0x01;  // inflate a compressed body first
constexpr uint32_t TEXT_UTF8 = 0x02;   // decode as UTF-8
constexpr uint32_t TEXT_EUCKR = 0x04;  // decode as EUC-KR
constexpr uint32_t TEXT_BIG5 = 0x08;   // decode as Big5
constexpr uint32_t TEXT_AUTO = 0x10;   // UTF-8 when the bytes look like it, else GBK
constexpr uint32_t TEXT_GBKNUL = 0x20; // on a GBK page drop zero bytes instead of stopping there

// Bodies held in memory (page fetches) never grow past this, whatever dwMaxSizeKB says, so a
// hostile server cannot exhaust memory. Bodies saved to a file are streamed and not capped here.
constexpr size_t URL_MEMORY_BODY_CAP = 64u * 1024 * 1024;

// The request, filled by the caller.
struct ST_URLREQUEST {
    std::u16string strUrl;     // http:// or https:// address, optional port, path and query
    std::u16string strVerb;    // "GET" by default
    std::u16string strHeaders; // extra request header lines separated by CR LF, sent as given
    std::string strStartMark;  // body trimming markers in the body's own bytes; empty = none
    std::string strEndMark;
    std::string strFailMark;              // a body holding this fails the validity test of FetchUrl
    std::u16string strSavePath;           // absolute path; when set the body goes to this file
    std::optional<std::string> pPostData; // request body, none = no body
    uint32_t dwReadTimeout;               // ms, limit for each body read (0 = no limit)
    uint32_t dwTimeout;                   // ms, limit for connect, send and the response head (0 = no limit)
    uint32_t dwMinSizeKB = 0;             // smallest acceptable body, KiB; 0 = no lower limit
    uint32_t dwMaxSizeKB = 0;             // largest acceptable body, KiB; 0 = no upper limit
    uint32_t dwMinBodyLen = 0;            // validity test: the body must be longer than this
    uint8_t byTries = 1;                  // attempts made by FetchUrl
    uint8_t byRetryDelay = 1;             // seconds of pause after every failed attempt

    explicit ST_URLREQUEST(std::u16string url = u"", std::u16string savePath = u"",
                           uint32_t timeoutMs = 20000);

    // Keeps a copy of the bytes up to the first zero byte; an empty text removes the body.
    void SetPostData(std::string_view data);
    // Back to the defaults; keeps strFailMark, dwMinBodyLen, byTries and byRetryDelay.
    void Reset();
};

// The response of the last attempt; reused by every attempt of one fetch.
class CURLSource2 {
  public:
    std::u16string strHeaders; // raw head of the final response: status line, header lines each
                               // ended by CR LF, then an empty line; kept from an earlier attempt
                               // when no new head arrived
    std::string strBody;       // body as received (still compressed when bGzip), after trimming;
                               // empty when it was streamed to strSavePath
    std::string strStartMark;  // the request's markers, copied at the start of each attempt
    std::string strEndMark;
    bool bGzip = false; // "gzip" occurs somewhere in strHeaders
    // Body bytes of the last attempt: strBody's length, or, when the body was streamed to the
    // save file, the number of bytes received (also when the attempt failed part-way).
    uint64_t qwBodyLen = 0;
    // True when the last attempt streamed its body to the save file instead of strBody.
    bool bBodyOnDisk = false;

    // One attempt. True when the whole exchange completed within the limits and, when a save
    // path was given, the file is in place. The HTTP status is not examined.
    bool Request(const ST_URLREQUEST& req, uint32_t dwFlags);

    // The body as text: inflated (TEXT_UNZIP), trimmed by the markers when it was compressed,
    // decoded by the flags (GBK when the head says "charset=GBK"), ended at the first zero byte,
    // entities decoded. Always produces a text, possibly empty.
    void GetText(std::u16string& strText, uint32_t dwFlags) const;
};

// Inflating stops (and fails) once it has produced more than this, so a small compressed body
// cannot blow up into gigabytes.
constexpr size_t URL_INFLATE_CAP = 256u * 1024 * 1024;

// Appends the inflated form of a gzip or zlib stream to strOut. True only when the stream ended
// properly; after a truncated or corrupt stream, or past nMaxOut bytes of output, strOut holds
// what was produced so far and the result is false.
bool GzipInflate(std::string& strOut, const char* pIn, size_t nLen, size_t nMaxOut = URL_INFLATE_CAP);

// Up to byTries attempts with a pause of byRetryDelay seconds after each failed one (the last
// included); true when an attempt succeeded and its body passed the validity test.
bool FetchUrl(ST_URLREQUEST& req, CURLSource2& src, uint32_t dwFlags);

// "name1=value1; name2=value2" of the stored cookies that a request to the URL would send
// (domain, path, secure and expiry matching), or "".
std::u16string GetUrlCookie(const std::u16string& strUrl);
