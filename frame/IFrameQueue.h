#pragma once

#include <atomic>
#include <vector>

namespace frame {

/** Lock-free single-producer single-consumer ring. The storage is allocated once at
 *  construction; a push into a full queue is dropped. */
template <typename T>
class IFrameQueue
{
public:
  explicit IFrameQueue(int capacity) : mData(static_cast<size_t>(capacity) + 1) {}
  IFrameQueue(const IFrameQueue&) = delete;
  IFrameQueue& operator=(const IFrameQueue&) = delete;

  /** Producer side. Returns false when full (the element is dropped). */
  bool Push(const T& item)
  {
    const size_t w = mWriteIndex.load(std::memory_order_relaxed);
    const size_t next = (w + 1) % mData.size();
    if (next == mReadIndex.load(std::memory_order_acquire))
      return false;
    mData[w] = item;
    mWriteIndex.store(next, std::memory_order_release);
    return true;
  }

  /** Consumer side. Returns false when empty. */
  bool Pop(T& item)
  {
    const size_t r = mReadIndex.load(std::memory_order_relaxed);
    if (r == mWriteIndex.load(std::memory_order_acquire))
      return false;
    item = mData[r];
    mReadIndex.store((r + 1) % mData.size(), std::memory_order_release);
    return true;
  }

  /** Consumer side: nothing to pop. */
  bool Empty() const
  {
    return mReadIndex.load(std::memory_order_relaxed) == mWriteIndex.load(std::memory_order_acquire);
  }

  size_t ElementsAvailable() const
  {
    const size_t w = mWriteIndex.load(std::memory_order_acquire);
    const size_t r = mReadIndex.load(std::memory_order_acquire);
    return (w + mData.size() - r) % mData.size();
  }

  int Capacity() const { return static_cast<int>(mData.size()) - 1; }

private:
  std::vector<T> mData;
  std::atomic<size_t> mWriteIndex{0};
  std::atomic<size_t> mReadIndex{0};
};

} // namespace frame
