#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "frame/IString.h"

namespace frame {

/** Growable byte buffer for state and presets. Writes append; reads take an explicit
 *  position and return the next one, or -1 when the chunk is too short, so a chain of
 *  reads stops at the first failure. Values are stored in host (little-endian) order. */
class IByteChunk
{
public:
  static constexpr int kGrowBy = 4096;

  int PutBytes(const void* src, int n);
  int PutChunk(const IByteChunk& other) { return PutBytes(other.GetData(), other.Size()); }
  int PutStr(const char* text);

  template <typename T>
  int Put(const T* value)
  {
    static_assert(std::is_trivially_copyable_v<T>);
    return PutBytes(value, static_cast<int>(sizeof(T)));
  }

  int GetBytes(void* dst, int n, int startPos) const;
  int GetStr(IString& str, int startPos) const;

  template <typename T>
  int Get(T* dst, int startPos) const
  {
    static_assert(std::is_trivially_copyable_v<T>);
    return GetBytes(dst, static_cast<int>(sizeof(T)), startPos);
  }

  int Size() const { return mSize; }
  const uint8_t* GetData() const { return mSize > 0 ? mBytes.data() : nullptr; }
  uint8_t* GetData() { return mSize > 0 ? mBytes.data() : nullptr; }
  int Resize(int n);
  void Clear() { mSize = 0; }

private:
  void reserveFor(int n);

  std::vector<uint8_t> mBytes;
  int mSize = 0;
};

} // namespace frame
