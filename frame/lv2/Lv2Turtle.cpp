#include "frame/lv2/Lv2Turtle.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"
#include "frame/lv2/Lv2Ports.h"

namespace frame::lv2 {

namespace {
const char* const kPrefixes =
  "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
  "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
  "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
  "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
  "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
  "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
  "@prefix pg:    <http://lv2plug.in/ns/ext/port-groups#> .\n"
  "@prefix pprop: <http://lv2plug.in/ns/ext/port-props#> .\n"
  "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
  "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
  "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
  "@prefix time:  <http://lv2plug.in/ns/ext/time#> .\n"
  "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
  "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n"
  "\n";

std::string quoted(const char* text)
{
  std::string s = "\"";
  for (const char* p = text; *p; ++p)
  {
    if (*p == '"' || *p == '\\')
      s += '\\';
    s += *p;
  }
  return s + "\"";
}

std::string iri(const std::string& uri) { return "<" + uri + ">"; }

// The parameter's value as its port carries it.
float portValue(const IParam& param, double value) { return PortValueFromParam(UnitOf(param), value); }

// A mark's text: the value text, and where the parameter reads another way while a switch
// is on (LFOSpeed synced), that reading too.
std::string markLabel(const IParam& param, double value)
{
  IString text;
  if (DisplayFunc f = param.GetDisplayFunc())
    f(value, text);
  else
    param.GetDisplay(value, false, text);
  std::string label = text.Get();
  if (DisplayFunc other = param.GetDisplayWhenSelected())
  {
    IString alt;
    other(value, alt);
    label += std::string(", synced ") + alt.Get();
  }
  return label;
}

void writeParamPort(std::ostream& out, const PortLayout& layout, int idx, const IParam& param)
{
  const bool stepped = param.Type() == kTypeBool || param.Type() == kTypeEnum || param.Type() == kTypeInt;
  const PortUnit unit = UnitOf(param);
  const float lo = PortValueFromParam(unit, param.GetMin()), hi = PortValueFromParam(unit, param.GetMax());
  out << "    a lv2:InputPort, lv2:ControlPort ;\n"
      << "    lv2:index " << layout.Param(idx) << " ;\n"
      << "    lv2:symbol " << quoted(SymbolOf(param).c_str()) << " ;\n"
      << "    lv2:name " << quoted(param.GetName()) << " ;\n"
      << "    lv2:default " << TurtleNumber(PortValueFromParam(unit, param.GetDefault())) << " ;\n"
      << "    lv2:minimum " << TurtleNumber(lo) << " ;\n"
      << "    lv2:maximum " << TurtleNumber(hi);
  if (unit.unit)
    out << " ;\n    units:unit units:" << unit.unit;
  // A plain value no unit reads says how to read it; the name stays the plug-in's own.
  if (param.GetHostNote()[0])
    out << " ;\n    rdfs:comment " << quoted(param.GetHostNote());

  std::vector<const char*> props;
  if (stepped)
    props.push_back("lv2:integer");
  if (param.NDisplayTexts() > 0)
    props.push_back("lv2:enumeration");
  if (param.IsSwitch())
    props.push_back("lv2:toggled");
  // LV2 has no power law; a logarithmic port needs both bounds of one sign.
  if (param.GetCurve() == kCurveLog && ((lo > 0.0f && hi > 0.0f) || (lo < 0.0f && hi < 0.0f)))
    props.push_back("pprop:logarithmic");
  if (!param.GetCanAutomate())
    props.push_back("pprop:expensive");
  for (size_t i = 0; i < props.size(); ++i)
    out << (i == 0 ? " ;\n    lv2:portProperty " : ", ") << props[i];

  const int nPoints = param.NDisplayTexts() > 0 ? param.NDisplayTexts() : param.NMarks();
  for (int t = 0; t < nPoints; ++t)
  {
    double value = 0.0;
    std::string label;
    if (param.NDisplayTexts() > 0)
      label = param.GetDisplayTextAtIdx(t, &value);
    else
    {
      value = param.GetMark(t);
      label = markLabel(param, value);
    }
    out << (t == 0 ? " ;\n    lv2:scalePoint " : " ,\n        ")
        << "[ rdfs:label " << quoted(label.c_str()) << " ; rdf:value " << TurtleNumber(PortValueFromParam(unit, value)) << " ]";
  }
  out << "\n";
}

// The stereo audio ports, each named in its group.
void writeAudioPort(std::ostream& out, bool input, uint32_t index, uint32_t channel, uint32_t nChannels, const char* uri)
{
  const char* side = nChannels == 2 ? (channel == 0 ? "left" : "right") : nullptr;
  out << "    a lv2:" << (input ? "InputPort" : "OutputPort") << ", lv2:AudioPort ;\n    lv2:index " << index
      << " ;\n    lv2:symbol \"" << (input ? "in_" : "out_") << channel + 1 << "\" ;\n    lv2:name \""
      << (input ? "Input " : "Output ") << channel + 1 << "\"";
  if (side)
    out << " ;\n    pg:group " << iri(std::string(uri) + (input ? "#in" : "#out")) << " ;\n    lv2:designation pg:" << side;
  out << "\n  ] , [\n";
}
} // namespace

std::string TurtleNumber(float value)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%.9g", static_cast<double>(value));
  std::string s = text;
  if (s.find_first_of(".e") == std::string::npos)
    s += ".0";
  return s;
}

void WriteManifest(std::ostream& out, IFramePlugin& plug, const std::string& dspBinary,
                   const std::string& uiBinary, const std::string& pluginTtl, const std::string& presetsTtl)
{
  const char* uri = PluginDescriptor().uri;
  out << kPrefixes;
  out << iri(uri) << "\n  a lv2:Plugin, lv2:PhaserPlugin ;\n  lv2:binary " << iri(dspBinary) << " ;\n  rdfs:seeAlso "
      << iri(pluginTtl) << " .\n\n";
  out << iri(UiUri(uri)) << "\n  a ui:X11UI ;\n  ui:binary " << iri(uiBinary) << " ;\n  rdfs:seeAlso "
      << iri(pluginTtl) << " .\n";
  for (int i = 0; i < plug.NPresets(); ++i)
    out << "\n" << iri(PresetUri(uri, i)) << "\n  a pset:Preset ;\n  lv2:appliesTo " << iri(uri)
        << " ;\n  rdfs:label " << quoted(plug.GetPresetName(i)) << " ;\n  rdfs:seeAlso " << iri(presetsTtl) << " .\n";
}

void WritePluginTurtle(std::ostream& out, IFramePlugin& plug)
{
  const Descriptor& d = PluginDescriptor();
  const PortLayout layout(plug);
  int major = 0, minor = 0, micro = 0;
  std::sscanf(d.version, "%d.%d.%d", &major, &minor, &micro);

  out << kPrefixes;
  out << iri(d.uri) << "\n"
      << "  a lv2:Plugin, lv2:PhaserPlugin ;\n"
      << "  doap:name " << quoted(d.name) << " ;\n"
      << "  doap:license <https://spdx.org/licenses/GPL-3.0-or-later> ;\n"
      << "  lv2:project [\n"
      << "    a doap:Project ;\n"
      << "    doap:name " << quoted(d.name) << " ;\n"
      << "    doap:homepage " << iri(d.homePageUrl) << " ;\n"
      << "    doap:maintainer [\n"
      << "      foaf:name " << quoted(d.vendor) << " ;\n"
      << "      foaf:homepage " << iri(d.vendorUrl) << " ;\n"
      << "      foaf:mbox " << iri(std::string("mailto:") + d.supportEmail) << "\n"
      << "    ]\n"
      << "  ] ;\n"
      << "  lv2:minorVersion " << minor << " ;\n"
      << "  lv2:microVersion " << micro << " ;\n"
      << "  lv2:optionalFeature lv2:hardRTCapable, lv2:isLive, urid:map, opts:options, bufsz:boundedBlockLength ;\n"
      << "  opts:supportedOption bufsz:maxBlockLength, bufsz:nominalBlockLength ;\n"
      << "  lv2:extensionData state:interface ;\n"
      << (layout.nAudioIn == 2 ? "  pg:mainInput " + iri(std::string(d.uri) + "#in") + " ;\n" : "")
      << (layout.nAudioOut == 2 ? "  pg:mainOutput " + iri(std::string(d.uri) + "#out") + " ;\n" : "")
      << "  ui:ui " << iri(UiUri(d.uri)) << " ;\n"
      << "  lv2:port [\n";

  for (uint32_t c = 0; c < layout.nAudioIn; ++c)
    writeAudioPort(out, true, layout.AudioIn(c), c, layout.nAudioIn, d.uri);
  for (uint32_t c = 0; c < layout.nAudioOut; ++c)
    writeAudioPort(out, false, layout.AudioOut(c), c, layout.nAudioOut, d.uri);
  out << "    a lv2:InputPort, atom:AtomPort ;\n"
      << "    atom:bufferType atom:Sequence ;\n"
      << "    atom:supports time:Position ;\n"
      << "    lv2:designation lv2:control ;\n"
      << "    lv2:portProperty lv2:connectionOptional ;\n"
      << "    lv2:index " << layout.Control() << " ;\n"
      << "    lv2:symbol \"control\" ;\n"
      << "    lv2:name \"Control\"\n"
      << "  ] , [\n"
      << "    a lv2:InputPort, lv2:ControlPort ;\n"
      << "    lv2:index " << layout.Enabled() << " ;\n"
      << "    lv2:symbol \"enabled\" ;\n"
      << "    lv2:name \"Enabled\" ;\n"
      << "    lv2:designation lv2:enabled ;\n"
      << "    lv2:default 1 ;\n"
      << "    lv2:minimum 0 ;\n"
      << "    lv2:maximum 1 ;\n"
      << "    lv2:portProperty lv2:integer, lv2:toggled\n";
  for (int i = 0; i < plug.NParams(); ++i)
  {
    out << "  ] , [\n";
    writeParamPort(out, layout, i, *plug.GetParam(i));
  }
  out << "  ] .\n\n";

  if (layout.nAudioIn == 2)
    out << iri(std::string(d.uri) + "#in") << "\n  a pg:StereoGroup, pg:InputGroup ;\n  lv2:symbol \"in\" ;\n"
        << "  rdfs:label \"Input\" .\n\n";
  if (layout.nAudioOut == 2)
    out << iri(std::string(d.uri) + "#out") << "\n  a pg:StereoGroup, pg:OutputGroup ;\n  lv2:symbol \"out\" ;\n"
        << "  rdfs:label \"Output\"" << (layout.nAudioIn == 2 ? " ;\n  pg:source " + iri(std::string(d.uri) + "#in") : "")
        << " .\n\n";
  out << iri(UiUri(d.uri)) << "\n"
      << "  a ui:X11UI ;\n"
      << "  lv2:requiredFeature ui:parent, ui:idleInterface ;\n"
      << "  lv2:optionalFeature ui:resize, ui:touch, urid:map, opts:options ;\n"
      << "  opts:supportedOption ui:scaleFactor ;\n"
      << "  lv2:extensionData ui:idleInterface, ui:resize .\n";
}

void WritePresets(std::ostream& out, IFramePlugin& plug)
{
  const char* uri = PluginDescriptor().uri;
  out << kPrefixes;
  out << iri(PresetKeyUri(uri)) << "\n  a rdf:Property ;\n  rdfs:label \"factory preset\" ;\n"
      << "  rdfs:comment \"The number of the factory preset the plug-in recalls, exactly as it holds it.\" .\n\n";
  for (int i = 0; i < plug.NPresets(); ++i)
  {
    plug.RestorePreset(i);
    out << iri(PresetUri(uri, i)) << "\n  a pset:Preset ;\n  lv2:appliesTo " << iri(uri) << " ;\n  rdfs:label "
        << quoted(plug.GetPresetName(i)) << " ;\n"
        // The ports carry single floats; the plug-in recalls the preset itself, exactly.
        << "  state:state [ " << iri(PresetKeyUri(uri)) << " " << i << " ] ;\n  lv2:port ";
    for (int p = 0; p < plug.NParams(); ++p)
    {
      const IParam& param = *plug.GetParam(p);
      out << (p == 0 ? "[\n" : " , [\n") << "    lv2:symbol " << quoted(SymbolOf(param).c_str())
          << " ;\n    pset:value " << TurtleNumber(portValue(param, param.Value())) << "\n  ]";
    }
    out << " .\n\n";
  }
  plug.RestorePreset(0);
}

} // namespace frame::lv2
