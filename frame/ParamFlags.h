#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace frame {

/** One flag per parameter, set from any thread and taken by one other, lock- and
 *  allocation-free once made: changes between two takes coalesce, and nothing overflows. */
class ParamFlags
{
public:
  explicit ParamFlags(int nParams)
    : mWords((nParams + 63) / 64), mBits(std::make_unique<std::atomic<uint64_t>[]>(static_cast<size_t>(mWords)))
  {
  }

  /** Release: whoever takes the flag also sees what was written before it was set. */
  void Set(int idx)
  {
    mBits[static_cast<size_t>(idx / 64)].fetch_or(uint64_t{1} << (idx % 64), std::memory_order_release);
  }

  /** Clears every flag and calls f(idx) for each that was set, in index order. */
  template <typename F>
  void Take(F&& f)
  {
    for (int w = 0; w < mWords; ++w)
    {
      std::atomic<uint64_t>& word = mBits[static_cast<size_t>(w)];
      if (word.load(std::memory_order_relaxed) == 0)
        continue;
      uint64_t bits = word.exchange(0, std::memory_order_acquire);
      while (bits)
      {
        const int bit = __builtin_ctzll(bits);
        bits &= bits - 1;
        f(w * 64 + bit);
      }
    }
  }

private:
  int mWords;
  std::unique_ptr<std::atomic<uint64_t>[]> mBits;
};

} // namespace frame
