// Process-wide libcurl state of the network unit (internal to src/net).
#pragma once

#include <curl/curl.h>

// The one share every attempt joins: DNS answers, TLS sessions, kept-alive connections and the
// cookie jar. Created on first use (with libcurl's global initialisation) and never freed, since
// detached worker threads may still be in an attempt when the process ends.
CURLSH* NetCurlShare();

// Called after a response that set cookies: rewrites cookies.txt when the stored cookies changed.
void NetCookiesChanged();
