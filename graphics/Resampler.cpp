#include "graphics/Resampler.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/Pixel.h"

namespace frame::graphics {

namespace {

/** The source pixels and weights that make up one target pixel along an axis. */
struct Taps
{
  int first = 0;  // index into the flat weight list
  int count = 0;
  int source = 0; // first source index
};

struct AxisFilter
{
  std::vector<Taps> taps;
  std::vector<float> weights;
};

AxisFilter makeFilter(int srcN, int dstN)
{
  AxisFilter f;
  f.taps.resize(dstN);
  if (dstN < srcN)
  {
    // Box: target pixel i covers source [i * step, (i + 1) * step).
    const double step = static_cast<double>(srcN) / dstN;
    for (int i = 0; i < dstN; ++i)
    {
      const double lo = i * step, hi = std::min((i + 1) * step, static_cast<double>(srcN));
      const int j0 = static_cast<int>(lo), j1 = std::min(static_cast<int>(std::ceil(hi)), srcN);
      f.taps[i] = {static_cast<int>(f.weights.size()), j1 - j0, j0};
      for (int j = j0; j < j1; ++j)
      {
        const double overlap = std::min<double>(hi, j + 1) - std::max<double>(lo, j);
        f.weights.push_back(static_cast<float>(overlap / step));
      }
    }
  }
  else if (dstN > srcN)
  {
    // Linear between source pixel centres; the outermost half pixels hold the edge value.
    const double inv = static_cast<double>(srcN) / dstN;
    for (int i = 0; i < dstN; ++i)
    {
      const double pos = (i + 0.5) * inv - 0.5;
      const int j0 = static_cast<int>(std::floor(pos));
      const float t = static_cast<float>(pos - j0);
      if (j0 < 0 || j0 + 1 >= srcN)
      {
        f.taps[i] = {static_cast<int>(f.weights.size()), 1, std::clamp(j0 < 0 ? 0 : j0, 0, srcN - 1)};
        f.weights.push_back(1.f);
      }
      else
      {
        f.taps[i] = {static_cast<int>(f.weights.size()), 2, j0};
        f.weights.push_back(1.f - t);
        f.weights.push_back(t);
      }
    }
  }
  else
  {
    for (int i = 0; i < dstN; ++i)
    {
      f.taps[i] = {static_cast<int>(f.weights.size()), 1, i};
      f.weights.push_back(1.f);
    }
  }
  return f;
}

} // namespace

namespace {

// Four channels (A, R, G, B) in one vector register; GCC lowers the arithmetic to SSE.
typedef float Lanes __attribute__((vector_size(16)));
typedef int32_t IntLanes __attribute__((vector_size(16)));

inline Lanes unpack(uint32_t p)
{
  const IntLanes v = {static_cast<int32_t>(pixel::Alpha(p)), static_cast<int32_t>(pixel::Red(p)),
                      static_cast<int32_t>(pixel::Green(p)), static_cast<int32_t>(pixel::Blue(p))};
  return __builtin_convertvector(v, Lanes);
}

/** Rounds and packs. Limiting colour to alpha keeps the pixel validly premultiplied even
 *  where rounding would lift a channel a step above its alpha. */
inline uint32_t pack(Lanes v)
{
  const Lanes lo = {0.f, 0.f, 0.f, 0.f}, hi = {255.f, 255.f, 255.f, 255.f};
  v = v + 0.5f;
  v = v < lo ? lo : v;
  v = v > hi ? hi : v;
  const IntLanes i = __builtin_convertvector(v, IntLanes);
  const auto a = static_cast<uint32_t>(i[0]);
  return pixel::Pack(a, std::min(static_cast<uint32_t>(i[1]), a), std::min(static_cast<uint32_t>(i[2]), a),
                     std::min(static_cast<uint32_t>(i[3]), a));
}

} // namespace

Surface Resample(const Surface& src, const PixelRect& region, int dstW, int dstH)
{
  const PixelRect r = region.Intersect(src.Bounds());
  Surface out(std::max(dstW, 0), std::max(dstH, 0));
  if (r.Empty() || out.Empty())
    return out;

  const int srcW = r.W(), srcH = r.H();
  const AxisFilter fx = makeFilter(srcW, dstW);
  const AxisFilter fy = makeFilter(srcH, dstH);

  // Horizontal pass into an unrounded buffer of dstW x srcH.
  std::vector<Lanes> mid(static_cast<size_t>(dstW) * srcH);
  for (int y = 0; y < srcH; ++y)
  {
    const uint32_t* row = src.Row(r.T + y) + r.L;
    Lanes* m = mid.data() + static_cast<size_t>(y) * dstW;
    for (int x = 0; x < dstW; ++x)
    {
      const Taps& t = fx.taps[x];
      const float* w = fx.weights.data() + t.first;
      Lanes acc = {0.f, 0.f, 0.f, 0.f};
      for (int k = 0; k < t.count; ++k)
        acc += w[k] * unpack(row[t.source + k]);
      m[x] = acc;
    }
  }

  // Vertical pass. Every channel gets the same weights and the same rounding.
  for (int y = 0; y < dstH; ++y)
  {
    const Taps& t = fy.taps[y];
    const float* w = fy.weights.data() + t.first;
    const Lanes* rows = mid.data() + static_cast<size_t>(t.source) * dstW;
    uint32_t* o = out.Row(y);
    for (int x = 0; x < dstW; ++x)
    {
      Lanes acc = {0.f, 0.f, 0.f, 0.f};
      const Lanes* m = rows + x;
      for (int k = 0; k < t.count; ++k, m += dstW)
        acc += w[k] * *m;
      o[x] = pack(acc);
    }
  }
  return out;
}

} // namespace frame::graphics
