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

namespace frame {

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

namespace {
// The song position at a grid point, in quarter notes, from a block that starts at `start`
// with `ppq`. Hosts round the position they tell (to ticks of their own, a few samples wide)
// and so tell the same point of the song differently from blocks that start elsewhere. The
// song's offset against the sample count at this tempo is therefore taken to the nearest
// 1/64 of a quarter note: 0 for a song in one tempo, whatever the blocks, and at most 1/128
// of a quarter note away after a change of tempo.
double songPosition(double ppq, int64_t start, int64_t at, double quartersPerSample)
{
  const double offset = ppq - static_cast<double>(start) * quartersPerSample;
  if (!(std::fabs(offset) < 1e12))
    return ppq;
  return std::floor(offset * 64.0 + 0.5) / 64.0 + static_cast<double>(at) * quartersPerSample;
}
} // namespace

int IFrameProcessor::timelinePiece(const ITimeInfo& call, int done, int n)
{
  if (!call.mTransportIsRunning)
  {
    mTimelineStarted = false;
    return n;
  }
  const int grid = mTimelineGrid.load(std::memory_order_relaxed);
  const double start = call.mSamplePos;
  if (grid <= 0 || !call.mSamplePosValid || !(std::fabs(start) < 4503599627370496.0) || start != std::floor(start))
  {
    mTimelineStarted = true;
    return n;
  }
  const int64_t pos = static_cast<int64_t>(start) + done;
  int64_t into = pos % grid;
  if (into < 0)
    into += grid;
  ITimeInfo& t = mTimeInfo;
  t = call;
  t.mSamplePos = static_cast<double>(pos);
  if (into == 0)
  {
    mTimelineStarted = true;
    const double rate = call.mTempo > 0.0 && mSampleRate > 0.0 ? call.mTempo / (60.0 * mSampleRate) : 0.0;
    t.mPPQPos = songPosition(call.mPPQPos, static_cast<int64_t>(start), pos, rate);
  }
  else
    t.mPPQPos = std::numeric_limits<double>::quiet_NaN();
  t.mTransportIsRunning = mTimelineStarted;
  return static_cast<int>(std::min<int64_t>(n, grid - into));
}

template <typename T>
void IFrameProcessor::processBuffers(const T* const* inputs, int nInputs, T* const* outputs, int nOutputs, int nFrames)
{
  constexpr bool kDouble = std::is_same_v<T, double>;
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

  auto& ins = mChannelData[kInput];
  auto& outs = mChannelData[kOutput];
  const ITimeInfo call = mTimeInfo;
  for (int done = 0; done < nFrames;)
  {
    const int n = timelinePiece(call, done, std::min(nFrames - done, mScratchFrames));
    for (size_t c = 0; c < ins.size(); ++c)
    {
      auto& ch = ins[c];
      const T* host = (inputs && static_cast<int>(c) < nInputs) ? inputs[c] : nullptr;
      ch.mConnected = host != nullptr;
      if (!host)
      {
        std::fill(ch.mScratchBuf.begin(), ch.mScratchBuf.begin() + n, 0.0);
        *ch.mData = ch.mScratchBuf.data();
      }
      else if constexpr (kDouble)
        *ch.mData = const_cast<double*>(host + done);
      else
      {
        std::copy(host + done, host + done + n, ch.mScratchBuf.begin());
        *ch.mData = ch.mScratchBuf.data();
      }
    }
    for (size_t c = 0; c < outs.size(); ++c)
    {
      auto& ch = outs[c];
      T* host = (outputs && static_cast<int>(c) < nOutputs) ? outputs[c] : nullptr;
      ch.mConnected = host != nullptr;
      ch.mIncomingData = nullptr;
      if constexpr (kDouble)
        *ch.mData = host ? host + done : ch.mScratchBuf.data();
      else
      {
        ch.mIncomingData = host ? host + done : nullptr;
        *ch.mData = ch.mScratchBuf.data();
      }
    }

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

    if constexpr (!kDouble)
    {
      for (auto& ch : outs)
        if (ch.mIncomingData)
          for (int i = 0; i < n; ++i)
            ch.mIncomingData[i] = static_cast<float>(ch.mScratchBuf[static_cast<size_t>(i)]);
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
