#include "apps/render/NoiseSignal.h"

namespace render {

double NoiseSignal::Uniform()
{
  // xorshift64*: well mixed in its top bits, which are all that is used.
  mState ^= mState >> 12;
  mState ^= mState << 25;
  mState ^= mState >> 27;
  return static_cast<double>((mState * 0x2545F4914F6CDD1Dull) >> 11) / 9007199254740992.0 - 0.5;
}

void NoiseSignal::Next(double& left, double& right)
{
  left = Uniform();
  right = Uniform();
}

} // namespace render
