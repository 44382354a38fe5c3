#include "settings/http.h"

#include <curl/curl.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace settings {

namespace {

using frame::graphics::kMB_OK;
using frame::graphics::kMB_YESNO;
using frame::graphics::kNO;

constexpr const char* kCheckCaption = "Check Online for Update";

// Once per process, on first use rather than at load: initialising in a static constructor
// would run inside the host's module loading, and the host may be using libcurl itself.
// It is never cleaned up, because other code in the host process may still need it.
bool ensureCurlInitialised()
{
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ok;
}

struct Collector
{
  std::string* body;
  bool tooLong = false;
};

size_t collect(char* data, size_t size, size_t count, void* user)
{
  auto* collector = static_cast<Collector*>(user);
  const size_t n = size * count;
  if (n > kMaxReplyBytes - collector->body->size())
  {
    // Any count other than n makes libcurl abandon the transfer, so the rest is never read.
    collector->tooLong = true;
    return 0;
  }
  try
  {
    collector->body->append(data, n);
  }
  catch (...) // must not unwind through libcurl; a short count ends the transfer as an error
  {
    return 0;
  }
  return n;
}

// A redirect chain delivers several responses, each opened by its status line: only the
// last one's body is the reply.
size_t onHeader(char* data, size_t size, size_t count, void* user)
{
  const size_t n = size * count;
  if (n >= 5 && std::memcmp(data, "HTTP/", 5) == 0)
    static_cast<Collector*>(user)->body->clear();
  return n;
}

// Four or more digits, then at most blanks and line ends: anything else (an error text, a
// stray page, noise) is no answer, even when it starts with a number.
bool isVersionCode(const std::string& body)
{
  size_t digits = 0;
  while (digits < body.size() && body[digits] >= '0' && body[digits] <= '9')
    ++digits;
  return digits >= 4 && body.find_first_not_of(" \t\r\n", digits) == std::string::npos;
}

// atoi's reading of the leading number, but saturating where atoi would overflow.
int leadingNumber(const std::string& body)
{
  const long n = std::strtol(body.c_str(), nullptr, 10);
  if (n > INT_MAX)
    return INT_MAX;
  if (n < INT_MIN)
    return INT_MIN;
  return static_cast<int>(n);
}

// "2002" -> "2.0.2", "2010" -> "2.0.10", "2100" -> "2.1.0": a leading zero of the patch
// number is dropped, anything after the code is kept as it came.
std::string newVersionText(const std::string& body)
{
  std::string text;
  text += body[0];
  text += '.';
  text += body[1];
  text += '.';
  text += body.substr(body[2] == '0' ? 3 : 2);
  return text;
}

void showOK(IVersionCheckUI& ui, const std::string& text)
{
  ui.ShowMessageBox(text.c_str(), kCheckCaption, kMB_OK);
}

} // namespace

HttpReply HttpGet(const char* url, long connectTimeoutMs, long totalTimeoutMs)
{
  HttpReply reply;
  if (!ensureCurlInitialised())
    return reply;
  CURL* curl = curl_easy_init();
  if (!curl)
    return reply;

  Collector collector{&reply.mBody};
  curl_easy_setopt(curl, CURLOPT_URL, url);
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  // A redirect must not take the request off https, nor round in circles.
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  // We run inside the host's process: its signal dispositions are not ours to change.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, totalTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &collector);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &collector);

  const CURLcode result = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.mStatus);
  curl_easy_cleanup(curl);

  if (collector.tooLong)
    reply.mEnd = EHttpEnd::kTooLong;
  else if (result == CURLE_OK)
    reply.mEnd = EHttpEnd::kComplete;
  else
    reply.mEnd = EHttpEnd::kStreamError;
  return reply;
}

int ReportVersionReply(const HttpReply& reply, IVersionCheckUI& ui)
{
  const std::string& body = reply.mBody;
  const bool success = reply.mStatus >= 200 && reply.mStatus < 300;
  int status = 0;
  if (reply.mStatus != 0 && !success)
    status = -2;
  else if (body.empty())
    status = -1;
  else if (reply.mEnd == EHttpEnd::kTooLong || body.find('<') != std::string::npos)
  {
    showOK(ui, std::string("Invalid call to ") + kVendorSiteName + ".");
    return -3;
  }
  else if (reply.mEnd != EHttpEnd::kComplete)
    status = -5; // a cut-off reply may have lost digits: no verdict on a part
  else if (!success || !isVersionCode(body))
    status = -2;
  if (status != 0)
  {
    showOK(ui, std::string("An error occurred while contacting ") + kVendorSiteName + ".");
    return status;
  }

  if (leadingNumber(body) < kNewerVersionCode)
  {
    showOK(ui, "Your version is up to date.");
    return 0;
  }
  // A version code has at least four characters.
  std::string text = std::string("A new version of ") + kProductName + " is available.\n\n";
  text += std::string("\tYour version: \t") + kOwnVersionText + "\n";
  text += "\tNew version: \t" + newVersionText(body) + "\n";
  text += std::string("\nDo you want to go to ") + kVendorSiteAddress + " to get the new version?";
  const std::string caption = std::string("New Version of ") + kProductName + " Detected";
  if (ui.ShowMessageBox(text.c_str(), caption.c_str(), kMB_YESNO) != kNO)
    ui.OpenURL(kDownloadPageUrl);
  return 0;
}

int CheckVersionAgainstWeb(const char* url, IVersionCheckUI& ui, long connectTimeoutMs,
                           long totalTimeoutMs)
{
  return ReportVersionReply(HttpGet(url, connectTimeoutMs, totalTimeoutMs), ui);
}

} // namespace settings
