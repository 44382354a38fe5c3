#include "frame/IFrameProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <type_traits>

#include <emmintrin.h>

namespace frame {

namespace {
// Four samples a step, which the compiler does not do by itself at this optimisation level:
// the conversions are the same in the vector unit as one by one (exact to double, rounded to
// nearest to float).
void widen(const float* in, double* out, int n)
{
  int i = 0;
  for (; i + 4 <= n; i += 4)
  {
    const __m128 x = _mm_loadu_ps(in + i);
    _mm_storeu_pd(out + i, _mm_cvtps_pd(x));
    _mm_storeu_pd(out + i + 2, _mm_cvtps_pd(_mm_movehl_ps(x, x)));
  }
  for (; i < n; ++i)
    out[i] = in[i];
}

void narrow(const double* in, float* out, int n)
{
  int i = 0;
  for (; i + 4 <= n; i += 4)
  {
    const __m128 low = _mm_cvtpd_ps(_mm_loadu_pd(in + i));
    const __m128 high = _mm_cvtpd_ps(_mm_loadu_pd(in + i + 2));
    _mm_storeu_ps(out + i, _mm_movelh_ps(low, high));
  }
  for (; i < n; ++i)
    out[i] = static_cast<float>(in[i]);
}
} // namespace

int IOConfig::GetTotalNChannels(ERoute route) const
{
  int total = 0;
  for (const IBusInfo& bus : mBusInfo[route])
    total += bus.mNChans;
  return total;
}

int IFrameProcessor::ParseChannelIOStr(const char* text, std::vector<IOConfig>& configs, int& totalIn, int& totalOut)
{
  totalIn = totalOut = 0;
  std::istringstream pieces(text ? text : "");
  std::string piece;
  while (pieces >> piece)
  {
    IOConfig config;
    const size_t dash = piece.find('-');
    const std::string sides[2] = {piece.substr(0, dash), dash == std::string::npos ? std::string() : piece.substr(dash + 1)};
    for (int route = kInput; route <= kOutput; ++route)
    {
      std::istringstream buses(sides[route]);
      std::string token;
      while (std::getline(buses, token, '.'))
      {
        const int n = token == "*" ? kWildcardChannels : std::atoi(token.c_str());
        if (n != 0)
          config.mBusInfo[route].push_back({static_cast<ERoute>(route), n});
      }
    }
    totalIn = std::max(totalIn, config.GetTotalNChannels(kInput));
    totalOut = std::max(totalOut, config.GetTotalNChannels(kOutput));
    configs.push_back(std::move(config));
  }
  return static_cast<int>(configs.size());
}

IFrameProcessor::IFrameProcessor(const Config& config)
  : mLatency(config.latency), mPlugType(config.plugType), mDoesMidiIn(config.plugDoesMidiIn),
    mDoesMidiOut(config.plugDoesMidiOut), mDoesMPE(config.plugDoesMPE)
{
  int totalIn = 0, totalOut = 0;
  ParseChannelIOStr(config.channelIOStr, mIOConfigs, totalIn, totalOut);
  mChannelData[kInput].resize(static_cast<size_t>(totalIn));
  mChannelData[kOutput].resize(static_cast<size_t>(totalOut));
  mInData.assign(static_cast<size_t>(totalIn), nullptr);
  mOutData.assign(static_cast<size_t>(totalOut), nullptr);
  mDirectIn.assign(static_cast<size_t>(totalIn), nullptr);
  mDirectOut.assign(static_cast<size_t>(totalOut), nullptr);
  for (int i = 0; i < totalIn; ++i)
    mChannelData[kInput][static_cast<size_t>(i)].mData = &mInData[static_cast<size_t>(i)];
  for (int i = 0; i < totalOut; ++i)
    mChannelData[kOutput][static_cast<size_t>(i)].mData = &mOutData[static_cast<size_t>(i)];
  if (totalIn > 0)
    SetLatency(mLatency);
}

IFrameProcessor::~IFrameProcessor() = default;

void IFrameProcessor::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  const int nIn = MaxNChannels(kInput);
  for (int c = 0; c < MaxNChannels(kOutput); ++c)
  {
    if (c < nIn)
      std::memmove(outputs[c], inputs[c], sizeof(double) * static_cast<size_t>(nFrames));
    else
      std::fill(outputs[c], outputs[c] + nFrames, 0.0);
  }
}

void IFrameProcessor::GetBusName(ERoute route, int busIdx, int nBuses, IString& str) const
{
  if (route == kInput)
  {
    if (nBuses == 1)
      str.Set("Input");
    else if (nBuses == 2)
      str.Set(busIdx == 0 ? "Main" : "Aux");
    else
      str.SetFormatted(-1, "Input %i", busIdx);
  }
  else
  {
    if (nBuses == 1)
      str.Set("Output");
    else
      str.SetFormatted(-1, "Output %i", busIdx);
  }
}

void IFrameProcessor::SetLatency(int samples)
{
  mLatency = std::max(samples, 0);
  mLatencyDelay.assign(mChannelData[kInput].size(), std::vector<double>(static_cast<size_t>(mLatency), 0.0));
  mLatencyPos = 0;
}

void IFrameProcessor::SetChannelLabel(ERoute route, int channel, const char* text, bool zeroBased)
{
  if (channel < 0 || channel >= MaxNChannels(route))
    return;
  // Only a number directive is honoured: the text is never used as a free format.
  std::string label = text ? text : "";
  const size_t at = label.find("%d");
  if (at != std::string::npos)
    label.replace(at, 2, std::to_string(zeroBased ? channel : channel + 1));
  mChannelData[route][static_cast<size_t>(channel)].mLabel.Set(label.c_str(), 32);
}

const char* IFrameProcessor::GetChannelLabel(ERoute route, int channel) const
{
  if (channel < 0 || channel >= MaxNChannels(route))
    return "";
  return mChannelData[route][static_cast<size_t>(channel)].mLabel.Get();
}

int IFrameProcessor::MaxNBuses(ERoute route, int* configIdx) const
{
  int most = 0, idx = -1;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const int n = mIOConfigs[static_cast<size_t>(i)].NBuses(route);
    if (n >= most)
    {
      most = n;
      idx = i;
    }
  }
  if (configIdx)
    *configIdx = idx;
  return most;
}

int IFrameProcessor::MaxNChannelsForBus(ERoute route, int busIdx) const
{
  int most = 0;
  for (const IOConfig& config : mIOConfigs)
    most = std::max(most, config.NChansOnBusSAFE(route, busIdx));
  return most;
}

int IFrameProcessor::GetIOConfigWithChanCounts(const std::vector<int>& inputBuses, const std::vector<int>& outputBuses) const
{
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IOConfig& config = mIOConfigs[static_cast<size_t>(i)];
    if (config.NBuses(kInput) != static_cast<int>(inputBuses.size()) || config.NBuses(kOutput) != static_cast<int>(outputBuses.size()))
      continue;
    bool match = true;
    for (size_t b = 0; b < inputBuses.size() && match; ++b)
      match = config.mBusInfo[kInput][b].mNChans == inputBuses[b];
    for (size_t b = 0; b < outputBuses.size() && match; ++b)
      match = config.mBusInfo[kOutput][b].mNChans == outputBuses[b];
    if (match)
      return i;
  }
  return -1;
}

void IFrameProcessor::SetBlockSize(int blockSize)
{
  if (blockSize == mBlockSize)
    return;
  mBlockSize = std::max(blockSize, 0);
  // Hosts announce huge maxima for offline bounces: the buffers stay small, and a fresh
  // vector gives back what a larger announcement took.
  const int frames = std::min(mBlockSize, kMaxScratchFrames);
  if (frames == mScratchFrames)
    return;
  mScratchFrames = frames;
  for (auto& side : mChannelData)
    for (auto& channel : side)
      std::vector<double>(static_cast<size_t>(frames), 0.0).swap(channel.mScratchBuf);
}

void IFrameProcessor::passThrough(int nFrames, double smallestNormal)
{
  const int nIn = MaxNChannels(kInput);
  const int nOut = MaxNChannels(kOutput);
  // Subnormal in the host's sample format leaves as 0: hosts and validators take such a
  // sample out of a bypassed plug-in for a fault. NaN compares false and passes as it came.
  auto flushed = [smallestNormal](double x) { return std::fabs(x) < smallestNormal ? 0.0 : x; };
  for (int c = 0; c < nOut; ++c)
  {
    double* out = mOutData[static_cast<size_t>(c)];
    if (c >= nIn)
    {
      std::fill(out, out + nFrames, 0.0);
      continue;
    }
    const double* in = mInData[static_cast<size_t>(c)];
    if (mLatency > 0)
    {
      // Keeps the bypassed signal time-aligned with the processed one.
      std::vector<double>& delay = mLatencyDelay[static_cast<size_t>(c)];
      int pos = mLatencyPos;
      for (int i = 0; i < nFrames; ++i)
      {
        const double x = flushed(in[i]);
        out[i] = delay[static_cast<size_t>(pos)];
        delay[static_cast<size_t>(pos)] = x;
        if (++pos == mLatency)
          pos = 0;
      }
    }
    else
      for (int i = 0; i < nFrames; ++i)
        out[i] = flushed(in[i]);
  }
  if (mLatency > 0)
    mLatencyPos = static_cast<int>((mLatencyPos + nFrames) % mLatency);
}

template <typename T>
void IFrameProcessor::attachChannels(const T* const* inputs, int nInputs, T* const* outputs, int nOutputs, int done, int n)
{
  constexpr bool kDouble = std::is_same_v<T, double>;
  auto& ins = mChannelData[kInput];
  for (size_t c = 0; c < ins.size(); ++c)
  {
    auto& ch = ins[c];
    const T* host = (inputs && static_cast<int>(c) < nInputs) ? inputs[c] : nullptr;
    if (!host)
    {
      std::fill(ch.mScratchBuf.begin(), ch.mScratchBuf.begin() + n, 0.0);
      *ch.mData = ch.mScratchBuf.data();
    }
    else if constexpr (kDouble)
      *ch.mData = const_cast<double*>(host + done);
    else
    {
      widen(host + done, ch.mScratchBuf.data(), n);
      *ch.mData = ch.mScratchBuf.data();
    }
  }
  auto& outs = mChannelData[kOutput];
  for (size_t c = 0; c < outs.size(); ++c)
  {
    auto& ch = outs[c];
    T* host = (outputs && static_cast<int>(c) < nOutputs) ? outputs[c] : nullptr;
    ch.mIncomingData = nullptr;
    if constexpr (kDouble)
      *ch.mData = host ? host + done : ch.mScratchBuf.data();
    else
    {
      ch.mIncomingData = host ? host + done : nullptr;
      *ch.mData = ch.mScratchBuf.data();
    }
  }
}

template <typename T>
void IFrameProcessor::processPiece(int n)
{
  if (mBypassed)
  {
    passThrough(n, static_cast<double>(std::numeric_limits<T>::min()));
    mBypassedBefore = true;
  }
  else
  {
    if (mBypassedBefore)
    {
      mBypassedBefore = false;
      OnBypassEnded();
    }
    ProcessBlock(mInData.data(), mOutData.data(), n);
  }

  if constexpr (!std::is_same_v<T, double>)
  {
    for (auto& ch : mChannelData[kOutput])
      if (ch.mIncomingData)
        narrow(ch.mScratchBuf.data(), ch.mIncomingData, n);
  }
}

bool IFrameProcessor::directPossible(const float* const* inputs, int nInputs, float* const* outputs, int nOutputs) const
{
  if (mDirectRefused || mBypassed || !inputs || !outputs)
    return false;
  const int nIn = static_cast<int>(mDirectIn.size()), nOut = static_cast<int>(mDirectOut.size());
  if (nInputs < nIn || nOutputs < nOut)
    return false;
  for (int c = 0; c < nIn; ++c)
    if (!inputs[c])
      return false;
  for (int c = 0; c < nOut; ++c)
    if (!outputs[c])
      return false;
  return true;
}

bool IFrameProcessor::processDirect(const float* const* inputs, float* const* outputs, int done, int n)
{
  if (mBypassedBefore)
  {
    mBypassedBefore = false;
    OnBypassEnded();
  }
  if (done > 0)
  {
    for (size_t c = 0; c < mDirectIn.size(); ++c)
      mDirectIn[c] = inputs[c] + done;
    for (size_t c = 0; c < mDirectOut.size(); ++c)
      mDirectOut[c] = outputs[c] + done;
    inputs = mDirectIn.data();
    outputs = mDirectOut.data();
  }
  if (ProcessBlockDirect(inputs, outputs, n))
    return true;
  mDirectRefused = true;
  return false;
}

template <typename T>
void IFrameProcessor::processBuffers(const T* const* inputs, int nInputs, T* const* outputs, int nOutputs, int nFrames)
{
  OnProcessCall();
  if (nFrames <= 0)
    return;
  if (mBlockSize <= 0)
  {
    // Processing was never set up: there is no scratch to work in, so give silence.
    for (int c = 0; c < nOutputs; ++c)
      if (outputs && outputs[c])
        std::fill(outputs[c], outputs[c] + nFrames, T(0));
    return;
  }

  // Once a call: a bypass switched on meanwhile is heard from the next call.
  bool direct = false;
  if constexpr (std::is_same_v<T, float>)
    direct = directPossible(inputs, nInputs, outputs, nOutputs);
  mTimeline.BeginCall(mTimeInfo, nFrames, mSampleRate);
  for (int done = 0; done < nFrames;)
  {
    const int n = mTimeline.PieceLength(done, std::min(nFrames - done, mScratchFrames));
    mTimeline.ShowPiece(done, mTimeInfo);
    if constexpr (std::is_same_v<T, float>)
      direct = direct && processDirect(inputs, outputs, done, n);
    if (!direct)
    {
      attachChannels(inputs, nInputs, outputs, nOutputs, done, n);
      processPiece<T>(n);
    }
    done += n;
  }
}

void IFrameProcessor::ProcessBuffers(const float* const* inputs, int nInputs, float* const* outputs, int nOutputs, int nFrames)
{
  processBuffers(inputs, nInputs, outputs, nOutputs, nFrames);
}

void IFrameProcessor::ProcessBuffers(const double* const* inputs, int nInputs, double* const* outputs, int nOutputs, int nFrames)
{
  processBuffers(inputs, nInputs, outputs, nOutputs, nFrames);
}

} // namespace frame
