// A real host lists the plug-in: Qtractor's headless scanner, where Qtractor is installed.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace {
const char kScanner[] = "/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan";
}

TEST(Qtractor, ScannerListsAStereoEffectWithItsParameters)
{
#ifdef MG_SANITIZED
  GTEST_SKIP() << "an instrumented plug-in does not load into Qtractor's uninstrumented scanner";
#endif
  struct stat st{};
  if (stat(kScanner, &st) != 0)
    GTEST_SKIP() << "Qtractor is not installed (" << kScanner << "): apt-get install qtractor";
  const std::string request = std::string("CLAP:") + MG_CLAP_MODULE + "\n";
  const std::string command = std::string("printf '%s' '") + request + "' | timeout 60 " + kScanner + " 2>/dev/null";
  FILE* scan = popen(command.c_str(), "r");
  ASSERT_NE(scan, nullptr);
  std::string output;
  char buffer[512];
  while (fgets(buffer, sizeof(buffer), scan))
    output += buffer;
  EXPECT_EQ(pclose(scan), 0) << output;
  // Name, audio ins:outs, MIDI ins:outs, parameters:outputs, then the hints.
  EXPECT_EQ(output.rfind("CLAP|Mistlegrove Phaser|2:2|0:0|11:0|", 0), 0u) << output;
  EXPECT_NE(output.find("GUI"), std::string::npos) << output;
  EXPECT_NE(output.find(MG_CLAP_MODULE), std::string::npos) << output;
}
