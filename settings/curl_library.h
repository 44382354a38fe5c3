#pragma once

#include <cstddef>

// The part of libcurl the version check uses, opened at run time: a host that scans or runs
// the plug-in never loads libcurl and the TLS, Kerberos, LDAP… libraries it brings. The
// numbers are libcurl's ABI, fixed for its soname.
namespace settings::curl {

inline constexpr const char* kSoname = "libcurl.so.4";

using Handle = void;
using Callback = std::size_t (*)(char* data, std::size_t size, std::size_t count, void* user);

enum Code : int
{
  kOk = 0,
  kUnknownOption = 48
};

enum Option : int
{
  kWriteData = 10001,
  kUrl = 10002,
  kWriteFunction = 20011,
  kHeaderData = 10029,
  kHeaderFunction = 20079,
  kFollowLocation = 52,
  kSslVerifyPeer = 64,
  kMaxRedirs = 68,
  kHttpGet = 80,
  kSslVerifyHost = 81,
  kHttpVersion = 84,
  kNoSignal = 99,
  kTimeoutMs = 155,
  kConnectTimeoutMs = 156,
  kProtocols = 181,      // bit masks: what libcurl before 7.85 understands
  kRedirProtocols = 182,
  kProtocolsStr = 10318, // names: what later ones prefer
  kRedirProtocolsStr = 10319
};

inline constexpr int kInfoResponseCode = 0x200002;
inline constexpr long kHttpVersion1_1 = 2;
inline constexpr long kGlobalDefault = 3;
inline constexpr long kProtoHttp = 1;
inline constexpr long kProtoHttps = 2;

struct Library
{
  int (*globalInit)(long flags);
  Handle* (*easyInit)();
  int (*easySetopt)(Handle*, int option, ...);
  int (*easyPerform)(Handle*);
  int (*easyGetinfo)(Handle*, int info, ...);
  void (*easyCleanup)(Handle*);
};

enum class EOpen
{
  kReady,
  kMissing, // no libcurl.so.4 here, or not one that has these functions
  kFailed   // it would not initialise
};

/** libcurl, opened and initialised once per process on the first call that finds it (a
 *  missing library is looked for again next time, so installing it needs no restart). It
 *  is never closed nor cleaned up: other code in the host may use it too. Null unless
 *  *state is kReady. Thread-safe. */
const Library* Open(EOpen* state);

} // namespace settings::curl
