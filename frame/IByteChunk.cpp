#include "frame/IByteChunk.h"

#include <cstring>

namespace frame {

void IByteChunk::reserveFor(int n)
{
  if (n <= static_cast<int>(mBytes.size()))
    return;
  const size_t blocks = (static_cast<size_t>(n) + kGrowBy - 1) / kGrowBy;
  mBytes.resize(blocks * kGrowBy);
}

int IByteChunk::Resize(int n)
{
  if (n < 0)
    n = 0;
  reserveFor(n);
  mSize = n;
  return mSize;
}

int IByteChunk::PutBytes(const void* src, int n)
{
  if (n <= 0 || !src)
    return mSize;
  const int at = mSize;
  reserveFor(at + n);
  std::memcpy(mBytes.data() + at, src, static_cast<size_t>(n));
  mSize = at + n;
  return mSize;
}

int IByteChunk::PutStr(const char* text)
{
  const int32_t len = text ? static_cast<int32_t>(std::strlen(text)) : 0;
  Put(&len);
  return PutBytes(text, len);
}

int IByteChunk::GetBytes(void* dst, int n, int startPos) const
{
  // Written so that no sum can overflow: a damaged length must not wrap into range.
  if (startPos < 0 || n < 0 || startPos > mSize || n > mSize - startPos)
    return -1;
  if (n > 0)
    std::memcpy(dst, mBytes.data() + startPos, static_cast<size_t>(n));
  return startPos + n;
}

int IByteChunk::GetStr(IString& str, int startPos) const
{
  int32_t len = 0;
  const int s = Get(&len, startPos);
  if (s < 0)
    return -1;
  const int64_t e = static_cast<int64_t>(s) + len;
  if (e <= mSize)
  {
    if (len <= 0)
      str.Clear();
    else
    {
      const char* from = reinterpret_cast<const char*>(mBytes.data() + s);
      const void* zero = std::memchr(from, 0, static_cast<size_t>(len));
      const int n = zero ? static_cast<int>(static_cast<const char*>(zero) - from) : len;
      str.Set(std::string(from, static_cast<size_t>(n)).c_str());
    }
  }
  // A length that runs past the end still yields its (too large) end, so the next read fails.
  return e > INT32_MAX ? -1 : static_cast<int>(e);
}

} // namespace frame
