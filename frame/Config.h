#pragma once

namespace frame {

/** What an effect tells the frame about itself at construction. The texts are not copied
 *  by the record; the plug-in base copies what it keeps. */
struct Config
{
  int nParams = 0;
  int nPresets = 0;
  const char* channelIOStr = "";
  const char* pluginName = "";
  const char* productName = "";
  const char* mfrName = "";
  int vendorVersion = 0; // (major << 16) | (minor << 8) | patch
  int uniqueID = 0;      // four characters, first in the highest byte
  int mfrID = 0;
  int latency = 0;
  bool plugDoesMidiIn = false;
  bool plugDoesMidiOut = false;
  bool plugDoesMPE = false;
  bool plugDoesChunks = false;
  int plugType = 0; // 0 effect, 1 instrument, 2 MIDI effect
  bool plugHasUI = false;
  int plugWidth = 0;
  int plugHeight = 0;
  int plugMinWidth = 0;
  int plugMaxWidth = 0;
  int plugMinHeight = 0;
  int plugMaxHeight = 0;
  bool plugHostResize = false;
  const char* bundleID = "";
};

/** Passed from the creation function to the effect; carries nothing on this platform. */
struct InstanceInfo
{
};

} // namespace frame
