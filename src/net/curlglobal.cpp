#include "curlglobal.h"

#include <curl/curl.h>
#include <QtDebug>
#include <atomic>

namespace velumo {

namespace {

// Only a witness for the check below; the set-up itself belongs to main().
std::atomic_int g_holders{0};
std::atomic_bool g_warned{false};

}  // namespace

CurlGlobal::CurlGlobal()
{
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        qWarning("libcurl could not be set up; transfers will fail");
    ++g_holders;
}

CurlGlobal::~CurlGlobal()
{
    --g_holders;
    curl_global_cleanup();
}

void CurlGlobal::checkInitialised()
{
    if (g_holders.load() > 0)
        return;
    Q_ASSERT_X(false, "CurlGlobal", "a transfer started before main() set up libcurl");
    if (!g_warned.exchange(true))
        qWarning("libcurl used before main() set it up: a CurlGlobal belongs in main()");
}

}  // namespace velumo
