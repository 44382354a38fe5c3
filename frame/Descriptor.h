#pragma once

#include <cstdint>

namespace frame {

class IFramePlugin;

/** Who a plug-in is, for every host format: written once by the effect, read by each
 *  binding, its module entry, the version check, the editor's links and the command-line
 *  host. */
struct Descriptor
{
  const char* name;
  const char* vendor;
  const char* vendorDomain;  // "example.com": identifiers are reverse-DNS from it
  const char* vendorHost;    // the web site's host name, as messages name it
  const char* vendorUrl;     // the vendor's site, https
  const char* homePageUrl;
  const char* downloadPageUrl;
  const char* versionCheckUrl;
  const char* supportEmail;
  const char* version;       // "major.minor.patch"
  const char* category;      // the host-browser category, "Fx|Filter" style
  uint32_t classId[4];       // 128-bit class identifier, most significant word first
  const char* reverseDomainId;
  const char* uri;
  const char* channelIO;     // the frame's channel I/O text, "2-2" style
  const char* const* features; // the host-browser features, lower-case words, null-terminated
  const float* editorScales; // the draw scales the editor offers, smallest first
  int numEditorScales;
  const int* controllerPage; // the parameters a hardware controller's page shows, in order
  int numControllerPage;     // at most eight
};

/** The plug-in this module holds; defined by the effect. */
const Descriptor& PluginDescriptor();
/** A new instance of it, owned by the caller; construction reads the user's settings, so
 *  instances are never made two at a time. Throws only what allocation throws. Main thread. */
IFramePlugin* CreatePlugin();

} // namespace frame
