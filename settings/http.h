#pragma once

#include <cstddef>
#include <string>

#include "frame/Descriptor.h"
#include "graphics/IGraphicsConstants.h"

namespace settings {

/** Vendor addresses, from the plug-in's descriptor. Pages are opened over https so that the
 *  browser never lands on a page an intermediary could rewrite; the version request itself
 *  verifies the server's certificate. */
inline const char* const kVendorHost = frame::PluginDescriptor().vendorHost;
inline const char* const kVendorSiteName = frame::PluginDescriptor().vendorHost;
inline const char* const kVendorSiteAddress = frame::PluginDescriptor().vendorUrl;
inline const char* const kVersionRequestUrl = frame::PluginDescriptor().versionCheckUrl;
inline const char* const kDownloadPageUrl = frame::PluginDescriptor().downloadPageUrl;
inline const char* const kHomePageUrl = frame::PluginDescriptor().homePageUrl;

inline const char* const kOwnVersionText = frame::PluginDescriptor().version;
inline const char* const kProductName = frame::PluginDescriptor().name;
/** A reply code at or above this names a newer release than kOwnVersionText. */
inline constexpr int kNewerVersionCode = 2002;

/** The check blocks the user-interface thread, so a silent server must not hold it longer
 *  than this. */
inline constexpr long kConnectTimeoutMs = 5000;
inline constexpr long kTotalTimeoutMs = 10000;
/** Redirects are followed, over https only, at most this many times. */
inline constexpr long kMaxRedirects = 3;
/** The genuine reply is a few bytes; anything longer is not a version reply and is not read
 *  further. */
inline constexpr std::size_t kMaxReplyBytes = 64 * 1024;

/** The two user-interface services the check needs. The effect wraps its graphics context
 *  in one, so the check can be driven without a window (and observed in tests). Both calls
 *  are made on the user-interface thread and are modal/blocking. */
class IVersionCheckUI
{
public:
  virtual ~IVersionCheckUI() = default;

  /** Shows a modal box and returns the user's answer. */
  virtual frame::graphics::EMsgBoxResult ShowMessageBox(const char* text, const char* caption,
                                                        frame::graphics::EMsgBoxType type) = 0;
  /** Opens a web address in the system's browser; true when the system accepted it. */
  virtual bool OpenURL(const char* url) = 0;
};

/** How a GET ended. */
enum class EHttpEnd
{
  kComplete,    // the whole reply arrived
  kStreamError, // connection, protocol or timeout failure; the body holds what arrived
  kTooLong,     // the body passed kMaxReplyBytes and the transfer was abandoned
  kNoLibrary    // libcurl.so.4 is not installed: nothing was sent
};

struct HttpReply
{
  std::string mBody;   // of the last response only
  EHttpEnd mEnd = EHttpEnd::kStreamError;
  long mStatus = 0;    // of the last response; 0 when none arrived
};

/** Blocking HTTP/1.1 GET of url, through libcurl opened on the first call. Redirects are followed to https addresses only, at most
 *  kMaxRedirects times; a redirect refused or one too many ends as a stream error with the
 *  redirect's status. Whatever the status, the last response's body is returned. Never
 *  throws, installs no signal handler. */
HttpReply HttpGet(const char* url, long connectTimeoutMs = kConnectTimeoutMs,
                  long totalTimeoutMs = kTotalTimeoutMs);

/** Tells the user what reply means, through ui, in exactly one message box (and the browser
 *  if the user asks for the new version). Only a complete 2xx reply whose body is a version
 *  code (four or more digits, then nothing but blanks and line ends) is judged: result 0.
 *  Otherwise the "could not check" error is shown: -1 when nothing arrived, -2 for a status
 *  other than 2xx (or a redirect not followed) or a body that is no version code, -5 for a
 *  reply cut off by a stream error or the timeout, -1 with what to install added to the error
 *  message when libcurl is missing; except that a 2xx or cut-off body that
 *  contains '<' or is too long is an invalid call: -3. */
int ReportVersionReply(const HttpReply& reply, IVersionCheckUI& ui);

/** Fetches url and reports the reply; the effect passes kVersionRequestUrl. Blocks for at
 *  most about the total timeout plus the time the user spends on the message boxes. */
int CheckVersionAgainstWeb(const char* url, IVersionCheckUI& ui,
                           long connectTimeoutMs = kConnectTimeoutMs,
                           long totalTimeoutMs = kTotalTimeoutMs);

} // namespace settings
