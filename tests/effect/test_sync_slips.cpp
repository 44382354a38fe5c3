// The moves that once threw the synced sweep off the song: a tempo drop inside a long call
// (told with it, one call late, or as a ritardando), a start or locate exactly on a beat after
// a tempo change, a host that says it plays while its position stands, and a skipped call.
#include <string>

#include <gtest/gtest.h>

#include "SyncHost.h"

using namespace synchost;

namespace {
struct Slip
{
  const char* name;
  void (*play)(Host&);
  Song song;
  std::vector<int> blocks;
};

const Slip kSlips[] = {
  {"120 -> 100 inside a call", [](Host& h) {
     h.splitAtTempo = false;
     h.newsIsEvent = true;
     h.start(0);
     h.run(20 * 48000);
   }, changeAtBar9(100.0), {4096, 8192}},
  {"120 -> 100 told one call late", [](Host& h) {
     h.splitAtTempo = false;
     h.tempoLate = true;
     h.newsIsEvent = true;
     h.start(0);
     h.run(20 * 48000);
   }, changeAtBar9(100.0), {2048}},
  {"120 -> 100 inside a call, no sample position", [](Host& h) {
     h.vouches = false;
     h.splitAtTempo = false;
     h.newsIsEvent = true;
     h.start(0);
     h.run(20 * 48000);
   }, changeAtBar9(100.0), {1024, 4096}},
  {"ritardando 160 -> 80 over two bars", [](Host& h) {
     h.splitAtTempo = false;
     h.start(0);
     h.run(768000);
     h.event(false);
     h.run(20 * 48000);
   }, ritardandoAtBar9(160.0, 80.0), {1024, 2048}},
  {"start, locate and loop on a beat after 120 -> 100", [](Host& h) {
     h.start(h.song.sampleOf(40.0));
     h.run(2 * 48000);
     h.jump(h.song.sampleOf(52.0));
     h.run(2 * 48000);
     h.loopStart = h.song.sampleOf(60.0);
     h.loopEnd = h.song.sampleOf(64.0);
     h.jump(h.loopStart);
     h.run(10 * 48000);
   }, changeAtBar9(100.0), {64, 512, 1000}},
  {"a transport that stands while it plays", [](Host& h) {
     h.start(0);
     h.run(48000);
     h.stand();
     h.run(5 * 48000);
   }, steady(120.0), {64, 256, 512}},
  {"a skipped call", [](Host& h) {
     h.start(0);
     h.run(60000); // a sixteenth and a half into the cycle
     h.skip(512);
     h.run(2 * 48000);
     h.skip(4096);
     h.run(2 * 48000);
   }, steady(120.0), {64, 512, 1000, 8192}},
};
} // namespace

TEST(SyncSlips, TheSweepConvergesToTheSongWithoutASlip)
{
  for (const Slip& c : kSlips)
    for (int block : c.blocks)
      for (bool rounded : {false, true})
      {
        Host h(c.song, Host::k64, rounded);
        h.fixedBlock = block;
        c.play(h);
        SCOPED_TRACE(std::string(c.name) + ", blocks of " + std::to_string(block) + (rounded ? ", rounded" : ", exact"));
        EXPECT_EQ(h.slips, 0);
        EXPECT_LE(h.worstMs, 1.0);
      }
}
