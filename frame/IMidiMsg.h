#pragma once

#include <cstdint>

namespace frame {

struct IMidiMsg
{
  int mOffset = 0;
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;
};

struct SysExData
{
  static constexpr int kMaxBytes = 512;
  int mOffset = 0;
  int mSize = 0;
  uint8_t mData[kMaxBytes] = {};
};

struct ParamTuple
{
  int idx = -1;
  double value = 0.0;
};

/** A key press as the editor sees it. */
struct IKeyPress
{
  int VK = 0;
  char utf8[5] = {};
  bool S = false, C = false, A = false;
};

} // namespace frame
