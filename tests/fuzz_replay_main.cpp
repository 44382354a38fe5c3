// Drives a libFuzzer entry point without libFuzzer: deterministic pseudo-random inputs of
// varied sizes, so compilers without libFuzzer still run the target (under the sanitizers too).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
  const long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
  uint64_t state = 0x9E3779B97F4A7C15ull;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  std::vector<uint8_t> input;
  for (long i = 0; i < runs; ++i)
  {
    const size_t size = next() % (i % 10 == 0 ? 4096 : 160);
    input.resize(size);
    for (auto& b : input)
      b = static_cast<uint8_t>(next());
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%ld inputs replayed\n", runs);
  return 0;
}
