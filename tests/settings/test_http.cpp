#include "settings/http.h"
#include "settings/curl_library.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace settings;
using namespace frame::graphics;

#if __has_include(<curl/curl.h>)
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>
// The check passes libcurl the numbers its header gives, without including it.
constexpr std::pair<long, long> kCurlNumbers[] = {
  {curl::kOk, CURLE_OK},
  {curl::kUnknownOption, CURLE_UNKNOWN_OPTION},
  {curl::kWriteData, CURLOPT_WRITEDATA},
  {curl::kUrl, CURLOPT_URL},
  {curl::kWriteFunction, CURLOPT_WRITEFUNCTION},
  {curl::kHeaderData, CURLOPT_HEADERDATA},
  {curl::kHeaderFunction, CURLOPT_HEADERFUNCTION},
  {curl::kFollowLocation, CURLOPT_FOLLOWLOCATION},
  {curl::kSslVerifyPeer, CURLOPT_SSL_VERIFYPEER},
  {curl::kMaxRedirs, CURLOPT_MAXREDIRS},
  {curl::kHttpGet, CURLOPT_HTTPGET},
  {curl::kSslVerifyHost, CURLOPT_SSL_VERIFYHOST},
  {curl::kHttpVersion, CURLOPT_HTTP_VERSION},
  {curl::kNoSignal, CURLOPT_NOSIGNAL},
  {curl::kTimeoutMs, CURLOPT_TIMEOUT_MS},
  {curl::kConnectTimeoutMs, CURLOPT_CONNECTTIMEOUT_MS},
  {curl::kProtocols, CURLOPT_PROTOCOLS},
  {curl::kRedirProtocols, CURLOPT_REDIR_PROTOCOLS},
  {curl::kProtocolsStr, CURLOPT_PROTOCOLS_STR},
  {curl::kRedirProtocolsStr, CURLOPT_REDIR_PROTOCOLS_STR},
  {curl::kInfoResponseCode, CURLINFO_RESPONSE_CODE},
  {curl::kHttpVersion1_1, CURL_HTTP_VERSION_1_1},
  {curl::kGlobalDefault, CURL_GLOBAL_DEFAULT},
  {curl::kProtoHttp, CURLPROTO_HTTP},
  {curl::kProtoHttps, CURLPROTO_HTTPS},
};
static_assert([] {
  for (const auto& [ours, theirs] : kCurlNumbers)
    if (ours != theirs)
      return false;
  return true;
}());
#endif
using Clock = std::chrono::steady_clock;

namespace {

// Short limits so a failing case cannot hang the suite.
constexpr long kTestConnectMs = 1000;
constexpr long kTestTotalMs = 3000;

/** One accepted connection, seen from the server side. Every wait gives up when the
 *  server is stopped or after a few seconds. */
class Connection
{
public:
  Connection(int fd, const std::atomic<bool>& stop) : mFd(fd), mStop(stop) {}

  /** False when the client has gone. */
  bool Send(const std::string& bytes)
  {
    size_t sent = 0;
    while (sent < bytes.size())
    {
      const ssize_t n = ::send(mFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0)
        return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }

  /** Reads until the end of the request head; returns what arrived. */
  std::string ReadRequestHead()
  {
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos && waitReadable())
    {
      const ssize_t n = ::recv(mFd, buffer, sizeof(buffer), 0);
      if (n <= 0)
        break;
      head.append(buffer, static_cast<size_t>(n));
    }
    return head;
  }

  /** Holds the connection open without sending; true when the client hung up first. */
  bool WaitForClientToHangUp()
  {
    char buffer[4096];
    while (waitReadable())
    {
      const ssize_t n = ::recv(mFd, buffer, sizeof(buffer), 0);
      if (n <= 0)
        return true;
    }
    return false;
  }

private:
  bool waitReadable()
  {
    const auto giveUp = Clock::now() + std::chrono::seconds(8);
    while (!mStop && Clock::now() < giveUp)
    {
      pollfd p{mFd, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0)
        return true;
    }
    return false;
  }

  int mFd;
  const std::atomic<bool>& mStop;
};

/** A one-connection HTTP server on 127.0.0.1 with an ephemeral port, run on its own thread.
 *  After reading the request head it hands the connection to the script, then closes it. */
class LoopbackServer
{
public:
  using Script = std::function<void(Connection&)>;

  explicit LoopbackServer(Script script) : mScript(std::move(script))
  {
    mListenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (mListenFd < 0 || ::bind(mListenFd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(mListenFd, 4) != 0 ||
        ::getsockname(mListenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      return;
    mPort = ntohs(addr.sin_port);
    mThread = std::thread([this] { serve(); });
  }

  ~LoopbackServer()
  {
    mStop = true;
    if (mThread.joinable())
      mThread.join();
    if (mListenFd >= 0)
      ::close(mListenFd);
  }

  std::string Url() const
  {
    return "http://127.0.0.1:" + std::to_string(mPort) + "/music/version/?file=trellowphaser";
  }

  std::string RequestHead()
  {
    std::lock_guard<std::mutex> lock(mMutex);
    return mRequestHead;
  }

private:
  void serve()
  {
    const auto giveUp = Clock::now() + std::chrono::seconds(8);
    while (!mStop && Clock::now() < giveUp)
    {
      pollfd p{mListenFd, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0)
        continue;
      const int fd = ::accept(mListenFd, nullptr, nullptr);
      if (fd < 0)
        return;
      Connection connection(fd, mStop);
      {
        std::string head = connection.ReadRequestHead();
        std::lock_guard<std::mutex> lock(mMutex);
        mRequestHead = std::move(head);
      }
      mScript(connection);
      ::close(fd);
      return;
    }
  }

  Script mScript;
  int mListenFd = -1;
  int mPort = 0;
  std::atomic<bool> mStop{false};
  std::thread mThread;
  std::mutex mMutex;
  std::string mRequestHead;
};

std::string replyHead(size_t contentLength)
{
  return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
         std::to_string(contentLength) + "\r\nConnection: close\r\n\r\n";
}

LoopbackServer::Script replyWith(std::string body)
{
  return [body](Connection& c) { c.Send(replyHead(body.size()) + body); };
}

/** Records every box and page the check asks for; answers boxes from a script. */
class RecordingUI : public IVersionCheckUI
{
public:
  struct Box
  {
    std::string text, caption;
    EMsgBoxType type;
  };

  EMsgBoxResult ShowMessageBox(const char* text, const char* caption, EMsgBoxType type) override
  {
    mBoxes.push_back({text, caption, type});
    if (mAnswers.empty())
      return type == kMB_YESNO ? kYES : kOK;
    const EMsgBoxResult answer = mAnswers.front();
    mAnswers.pop_front();
    return answer;
  }

  bool OpenURL(const char* url) override
  {
    mOpened.emplace_back(url);
    return true;
  }

  std::deque<EMsgBoxResult> mAnswers;
  std::vector<Box> mBoxes;
  std::vector<std::string> mOpened;
};

const char* const kUpToDate = "Your version is up to date.";
const char* const kError = "An error occurred while contacting www.mistlegrovemusic.com.";
const char* const kInvalid = "Invalid call to www.mistlegrovemusic.com.";
const char* const kCheckCaption = "Check Online for Update";

std::string newVersionBoxText(const std::string& newVersion)
{
  return "A new version of Mistlegrove Phaser is available.\n\n"
         "\tYour version: \t2.0.1\n"
         "\tNew version: \t" +
         newVersion +
         "\n"
         "\nDo you want to go to https://www.mistlegrovemusic.com to get the new version?";
}

class VersionCheck : public ::testing::Test
{
protected:
  // A proxy configured in the environment must not capture the loopback requests.
  VersionCheck() { setenv("no_proxy", "127.0.0.1", 1); }

  int check(const std::string& url, long totalMs = kTestTotalMs)
  {
    return CheckVersionAgainstWeb(url.c_str(), mUI, kTestConnectMs, totalMs);
  }
  int checkReply(const std::string& body)
  {
    LoopbackServer server(replyWith(body));
    return check(server.Url());
  }

  void expectOnlyOKBox(const char* text)
  {
    ASSERT_EQ(mUI.mBoxes.size(), 1u);
    EXPECT_EQ(mUI.mBoxes[0].text, text);
    EXPECT_EQ(mUI.mBoxes[0].caption, kCheckCaption);
    EXPECT_EQ(mUI.mBoxes[0].type, kMB_OK);
    EXPECT_TRUE(mUI.mOpened.empty());
  }

  RecordingUI mUI;
};

// --- The request ------------------------------------------------------------------------

TEST_F(VersionCheck, AsksWithAnHttp11GetOfTheVersionPath)
{
  LoopbackServer server(replyWith("2001"));
  check(server.Url());
  const std::string head = server.RequestHead();
  EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /music/version/?file=trellowphaser HTTP/1.1");
}

TEST_F(VersionCheck, VendorAddressesAreFixedAndSecure)
{
  EXPECT_STREQ(kVersionRequestUrl,
               "https://www.mistlegrovemusic.com/music/version/?file=trellowphaser");
  EXPECT_STREQ(kDownloadPageUrl, "https://www.mistlegrovemusic.com/music/vst.html");
  EXPECT_STREQ(kHomePageUrl, "https://www.mistlegrovemusic.com/");
}

// --- Up to date -------------------------------------------------------------------------

TEST_F(VersionCheck, OwnVersionIsUpToDate)
{
  EXPECT_EQ(checkReply("2001"), 0);
  expectOnlyOKBox(kUpToDate);
}

TEST_F(VersionCheck, ReplyWithoutAVersionCodeIsOnlyTheError)
{
  for (const char* body : {"abc", "0", "q8#Zt!v 1x\x7f", "5000 internal error", "2002x"})
  {
    SCOPED_TRACE(body);
    mUI.mBoxes.clear();
    EXPECT_EQ(checkReply(body), -2);
    expectOnlyOKBox(kError);
  }
}

// --- A newer version --------------------------------------------------------------------

TEST_F(VersionCheck, NewerVersionAnsweredYesOpensTheDownloadPage)
{
  mUI.mAnswers = {kYES};
  EXPECT_EQ(checkReply("2002"), 0);
  ASSERT_EQ(mUI.mBoxes.size(), 1u);
  EXPECT_EQ(mUI.mBoxes[0].text, newVersionBoxText("2.0.2"));
  EXPECT_EQ(mUI.mBoxes[0].caption, "New Version of Mistlegrove Phaser Detected");
  EXPECT_EQ(mUI.mBoxes[0].type, kMB_YESNO);
  EXPECT_EQ(mUI.mOpened, std::vector<std::string>{"https://www.mistlegrovemusic.com/music/vst.html"});
}

TEST_F(VersionCheck, NewerVersionAnsweredNoOpensNothing)
{
  mUI.mAnswers = {kNO};
  EXPECT_EQ(checkReply("2002"), 0);
  EXPECT_EQ(mUI.mBoxes.size(), 1u);
  EXPECT_TRUE(mUI.mOpened.empty());
}

TEST_F(VersionCheck, NewVersionTextDropsOnlyAZeroBeforeThePatchNumber)
{
  const std::pair<const char*, const char*> cases[] = {
    {"3000", "3.0.0"}, {"2012", "2.0.12"}, {"2105", "2.1.5"}, {"2010\n", "2.0.10\n"}};
  for (const auto& [body, shown] : cases)
  {
    SCOPED_TRACE(body);
    mUI.mBoxes.clear();
    EXPECT_EQ(checkReply(body), 0);
    ASSERT_EQ(mUI.mBoxes.size(), 1u);
    EXPECT_EQ(mUI.mBoxes[0].text, newVersionBoxText(shown));
  }
}

// --- Not a version reply ----------------------------------------------------------------

TEST_F(VersionCheck, HtmlPageIsAnInvalidCall)
{
  EXPECT_EQ(checkReply("<html><body>2002 Not Found</body></html>"), -3);
  expectOnlyOKBox(kInvalid);
}

TEST_F(VersionCheck, ReplyUpToTheSizeLimitIsJudged)
{
  EXPECT_EQ(checkReply("2001" + std::string(kMaxReplyBytes - 4, ' ')), 0);
  expectOnlyOKBox(kUpToDate);
}

TEST_F(VersionCheck, OversizedReplyIsAnInvalidCallAndIsNotReadToTheEnd)
{
  // Announces far more than it sends, then waits: only abandoning the transfer at the limit
  // returns before the timeout.
  const std::string sent = "2002" + std::string(kMaxReplyBytes - 3, ' ');
  LoopbackServer server([&](Connection& c) {
    c.Send(replyHead(10 * kMaxReplyBytes) + sent);
    c.WaitForClientToHangUp();
  });
  const auto start = Clock::now();
  EXPECT_EQ(check(server.Url()), -3);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kTestTotalMs / 2));
  expectOnlyOKBox(kInvalid);
}

// --- Failures ---------------------------------------------------------------------------

TEST_F(VersionCheck, EmptyReplyShowsOnlyTheError)
{
  EXPECT_EQ(checkReply(""), -1);
  expectOnlyOKBox(kError);
}

TEST_F(VersionCheck, RefusedConnectionShowsOnlyTheError)
{
  // A bound socket that does not listen holds the port and refuses connections.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof(addr);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const int port = ntohs(addr.sin_port);
  EXPECT_EQ(check("http://127.0.0.1:" + std::to_string(port) + "/music/version/"), -1);
  ::close(fd);
  expectOnlyOKBox(kError);
}

TEST_F(VersionCheck, ReplyCutOffAfterANewerCodeShowsOnlyTheError)
{
  LoopbackServer server([](Connection& c) { c.Send(replyHead(100) + "2002"); });
  EXPECT_EQ(check(server.Url()), -5);
  expectOnlyOKBox(kError);
}

TEST_F(VersionCheck, ATricklingReplyEndsAtTheTimeoutWithOnlyTheError)
{
  constexpr long kTotalMs = 700;
  LoopbackServer server([](Connection& c) {
    c.Send(replyHead(100));
    for (int i = 0; i < 40 && c.Send(i < 4 ? std::string(1, "2002"[i]) : std::string(" ")); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  });
  const auto start = Clock::now();
  EXPECT_EQ(check(server.Url(), kTotalMs), -5);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kTotalMs + 1500));
  expectOnlyOKBox(kError);
}

TEST_F(VersionCheck, AnythingButASuccessfulReplyIsOnlyTheError)
{
  const std::pair<const char*, const char*> cases[] = {
    {"404 Not Found", "Not Found"},
    {"503 Service Unavailable", "Service Unavailable"},
    {"500 Internal Server Error", "5000 internal error"},
    {"204 No Content", ""},
    // Off https: not followed, and its body is no answer.
    {"302 Found\r\nLocation: http://127.0.0.1:1/music/version/", "2002"},
    {"301 Moved Permanently", "2002"}};
  for (const auto& [statusLine, body] : cases)
  {
    SCOPED_TRACE(statusLine);
    mUI.mBoxes.clear();
    const std::string reply = std::string("HTTP/1.1 ") + statusLine +
                              "\r\nContent-Type: text/plain\r\nContent-Length: " +
                              std::to_string(std::strlen(body)) + "\r\nConnection: close\r\n\r\n" + body;
    LoopbackServer server([&reply](Connection& c) { c.Send(reply); });
    EXPECT_LT(check(server.Url()), 0);
    expectOnlyOKBox(kError);
  }
}

TEST_F(VersionCheck, ReplyCutOffInsideAnHtmlPageIsOnlyAnInvalidCall)
{
  LoopbackServer server([](Connection& c) { c.Send(replyHead(100) + "<html>"); });
  EXPECT_EQ(check(server.Url()), -3);
  expectOnlyOKBox(kInvalid);
}

TEST_F(VersionCheck, SilentServerEndsAtTheTimeoutWithTheError)
{
  constexpr long kTotalMs = 700;
  LoopbackServer server([](Connection& c) { c.WaitForClientToHangUp(); });
  const auto start = Clock::now();
  EXPECT_EQ(check(server.Url(), kTotalMs), -1);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(kTotalMs - 50));
  EXPECT_LT(elapsed, std::chrono::milliseconds(kTotalMs + 1500));
  expectOnlyOKBox(kError);
}

} // namespace
