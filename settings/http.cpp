#include "settings/http.h"

#include "settings/curl_library.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace settings {

namespace {

using frame::graphics::kMB_OK;
using frame::graphics::kMB_YESNO;
using frame::graphics::kNO;

constexpr const char* kCheckCaption = "Check Online for Update";
constexpr const char* kInstallCurl =
  "\n\nThe check needs libcurl (libcurl.so.4), which is not installed here. Please install it "
  "(on Debian and Ubuntu: sudo apt install libcurl4) and try again.";

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
  curl::EOpen opened;
  const curl::Library* lib = curl::Open(&opened);
  if (!lib)
  {
    if (opened == curl::EOpen::kMissing)
      reply.mEnd = EHttpEnd::kNoLibrary;
    return reply;
  }
  curl::Handle* curl = lib->easyInit();
  if (!curl)
    return reply;

  // Variadic: every value goes in the type libcurl reads for its option.
  const auto set = [&](curl::Option option, auto value) { return lib->easySetopt(curl, option, value); };
  Collector collector{&reply.mBody};
  set(curl::kUrl, url);
  set(curl::kHttpGet, 1L);
  set(curl::kHttpVersion, curl::kHttpVersion1_1);
  // A redirect must not take the request off https, nor round in circles. A libcurl older
  // than the protocol names takes the masks; one that takes neither does not send at all.
  const bool limited =
    (set(curl::kProtocolsStr, "http,https") == curl::kOk && set(curl::kRedirProtocolsStr, "https") == curl::kOk) ||
    (set(curl::kProtocols, curl::kProtoHttp | curl::kProtoHttps) == curl::kOk &&
     set(curl::kRedirProtocols, curl::kProtoHttps) == curl::kOk);
  set(curl::kFollowLocation, 1L);
  set(curl::kMaxRedirs, kMaxRedirects);
  // We run inside the host's process: its signal dispositions are not ours to change.
  set(curl::kNoSignal, 1L);
  set(curl::kConnectTimeoutMs, connectTimeoutMs);
  set(curl::kTimeoutMs, totalTimeoutMs);
  set(curl::kSslVerifyPeer, 1L);
  set(curl::kSslVerifyHost, 2L);
  set(curl::kWriteFunction, static_cast<curl::Callback>(collect));
  set(curl::kWriteData, static_cast<void*>(&collector));
  set(curl::kHeaderFunction, static_cast<curl::Callback>(onHeader));
  set(curl::kHeaderData, static_cast<void*>(&collector));

  const int result = limited ? lib->easyPerform(curl) : curl::kUnknownOption;
  lib->easyGetinfo(curl, curl::kInfoResponseCode, &reply.mStatus);
  lib->easyCleanup(curl);

  if (collector.tooLong)
    reply.mEnd = EHttpEnd::kTooLong;
  else if (result == curl::kOk)
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
    std::string text = std::string("An error occurred while contacting ") + kVendorSiteName + ".";
    if (reply.mEnd == EHttpEnd::kNoLibrary)
      text += kInstallCurl;
    showOK(ui, text);
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
