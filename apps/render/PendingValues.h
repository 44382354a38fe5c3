#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace render {

/** Parameter values waiting for the next processing call, the last of each parameter's,
 *  in the order each was first set. */
class PendingValues
{
public:
  void Set(uint32_t id, double normalized)
  {
    for (auto& value : mValues)
    {
      if (value.first == id)
      {
        value.second = normalized;
        return;
      }
    }
    mValues.emplace_back(id, normalized);
  }
  bool Empty() const { return mValues.empty(); }
  void Clear() { mValues.clear(); }
  auto begin() const { return mValues.begin(); }
  auto end() const { return mValues.end(); }

private:
  std::vector<std::pair<uint32_t, double>> mValues; // id, normalised
};

} // namespace render
