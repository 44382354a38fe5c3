#include <algorithm>
#include <cmath>
#include <string>

#include "Artwork.h"
#include "Layout.h"
#include "Palette.h"
#include "Shapes.h"

namespace artwork {

namespace {

using namespace palette;
using namespace layout;

constexpr float kPi = 3.14159265358979f;
constexpr float kHeaderBottom = 108.f;
constexpr float kLabelBaseline = 184.f;
constexpr float kHeadingBaseline = 143.f;

// The control groups: the filter, the LFO and the output, each on a raised tray that runs
// off the bottom edge.
const IRECT kFilterTray(16.f, 118.f, 614.f, 370.f);
const IRECT kLfoTray(640.f, 118.f, 1256.f, 370.f);
const IRECT kOutputTray(1282.f, 118.f, 1430.f, 370.f);

const Lettering kLabelStyle{"Art-CondensedBold", 20.f, 1.6f};
const Lettering kHeadingStyle{"Art-CondensedBold", 18.f, 5.f};

float knobCentre(int x) { return static_cast<float>(x) + 0.5f * kKnobSize; }

// Lettering as if engraved: a dark lip under each letter.
void engrave(Canvas& c, Shapes& shapes, const Lettering& style, const std::string& text, float x, float baseline,
             const Rgba& colour, EAlign align = EAlign::Center, float opacity = 1.f)
{
  const Mask m = shapes.Text(style, text, x, baseline, align);
  c.Paint(m.Shifted(0, 1).Blurred(0.6f), kShadow, 0.8f * opacity);
  c.Paint(m, colour, opacity);
}

void paintPanel(Canvas& c, Shapes& shapes)
{
  c.PaintAll([](float x, float y) {
    const float t = y / static_cast<float>(kHeight);
    Rgba base = Mix(kPanelTop, kPanelBottom, t);
    // A faint cool cast towards the right keeps the large surface from looking flat.
    return Mix(base, Rgb8(30, 40, 52), 0.25f * x / static_cast<float>(kWidth));
  });

  // Mist over the header: a few slow waves drifting out of phase with each other.
  for (int i = 0; i < 6; ++i)
  {
    std::vector<float> xy;
    const float period = 420.f + 55.f * static_cast<float>(i);
    const float phase = 1.9f * static_cast<float>(i);
    for (float x = -20.f; x <= kWidth + 20.f; x += 6.f)
      xy.push_back(x), xy.push_back(56.f + (14.f + 3.f * static_cast<float>(i)) * std::sin(2.f * kPi * x / period + phase));
    const Mask wave = shapes.Polyline(xy, 2.f + static_cast<float>(i % 3)).Blurred(2.5f + static_cast<float>(i));
    c.AddLight(wave, kTeal, 0.06f);
  }

  // The groove between the header and the controls.
  c.Paint(shapes.Draw([](frame::graphics::Renderer& r) {
    r.FillRect(frame::graphics::COLOR_WHITE, IRECT(0.f, kHeaderBottom, kWidth, kHeaderBottom + 2.f));
  }), kShadow, 0.6f);
  c.Paint(shapes.Draw([](frame::graphics::Renderer& r) {
    r.FillRect(frame::graphics::COLOR_WHITE, IRECT(0.f, kHeaderBottom + 2.f, kWidth, kHeaderBottom + 3.f));
  }), Rgb8(255, 255, 255), 0.06f);

  for (const IRECT& tray : {kFilterTray, kLfoTray, kOutputTray})
  {
    c.Paint(shapes.RoundRect(tray.GetTranslated(0.f, 4.f), 16.f).Blurred(6.f), kShadow, 0.7f);
    const Mask m = shapes.RoundRect(tray, 16.f);
    c.Paint(m, [tray](float, float y) { return Mix(kTrayTop, kTrayBottom, std::clamp((y - tray.T) / 230.f, 0.f, 1.f)); });
    c.Paint(m.Minus(m.Shifted(0, 2)), Rgb8(255, 255, 255), 0.10f); // lit top edge
    const Mask inner = shapes.RoundRect(tray.GetPadded(-1.5f), 14.5f);
    c.Paint(m.Minus(inner), kShadow, 0.35f);
  }
}

// Brushed grain, then a soft vignette: applied before the lettering so labels stay clean.
void texture(Canvas& c)
{
  c.Modulate([](float x, float y) {
    const float streak = ValueNoise(x / 70.f, y, 1.f, 11u) - 0.5f;
    const float fine = ValueNoise(x / 9.f, y, 1.f, 23u) - 0.5f;
    const float grain = 1.f + 0.05f * streak + 0.025f * fine;
    const float dx = (x - 0.5f * kWidth) / 780.f, dy = (y - 0.42f * kHeight) / 250.f;
    const float vignette = 1.f - 0.4f * Smoothstep(0.45f, 1.3f, std::sqrt(dx * dx + dy * dy));
    return grain * vignette;
  });
}

void trayHeading(Canvas& c, Shapes& shapes, const IRECT& tray, const std::string& text)
{
  const float w = shapes.TextWidth(kHeadingStyle, text);
  const float cx = tray.MW(), y = kHeadingBaseline - 0.5f * shapes.CapHeight(kHeadingStyle);
  engrave(c, shapes, kHeadingStyle, text, cx, kHeadingBaseline, kTeal);
  // Rules run out from the heading towards the tray's edges and fade there.
  const float gap = 0.5f * w + 14.f, inset = 24.f;
  for (int side : {-1, 1})
  {
    const float x0 = cx + static_cast<float>(side) * gap, x1 = side < 0 ? tray.L + inset : tray.R - inset;
    if ((x1 - x0) * static_cast<float>(side) < 10.f)
      continue;
    const Mask rule = shapes.Polyline({x0, y, x1, y}, 2.f);
    c.Paint(rule, [=](float x, float) {
      return WithAlpha(kTealDim, 0.75f * (1.f - std::clamp((x - x0) / (x1 - x0), 0.f, 1.f)));
    });
  }
}

// The recessed read-out strip behind a control's value text: dark enough for the cream
// text, sunk into the tray so it reads as part of the control.
void displayStrip(Canvas& c, Shapes& shapes, const IRECT& r)
{
  const Mask m = shapes.RoundRect(r, 7.f);
  c.Paint(shapes.RoundRect(r.GetTranslated(0.f, 1.f), 7.f).Minus(m), Rgb8(255, 255, 255), 0.09f);
  c.Paint(m, [r](float, float y) { return Mix(Rgb8(7, 9, 12), Rgb8(14, 18, 22), (y - r.T) / r.H()); });
  c.Paint(m.Minus(m.Shifted(0, 3).Blurred(1.5f)), Rgb8(0, 0, 0), 0.8f);
}

void controlsArt(Canvas& c, Shapes& shapes)
{
  trayHeading(c, shapes, kFilterTray, "FILTER");
  trayHeading(c, shapes, kLfoTray, "LFO");
  trayHeading(c, shapes, kOutputTray, "OUTPUT");

  // The two switches sit close together, so their names are set a size smaller than the knobs'.
  const Lettering switchLabelStyle{"Art-CondensedBold", 18.f, 1.f};
  const struct
  {
    const char* text;
    float cx;
    const Lettering& style;
  } labels[] = {
    {"STAGES", static_cast<float>(kStagesX) + 0.5f * kStagesW, kLabelStyle},
    {"MANUAL", knobCentre(kManualX), kLabelStyle},
    {"SPREAD", knobCentre(kSpreadX), kLabelStyle},
    {"FEEDBACK", knobCentre(kFeedbackX), kLabelStyle},
    {"SPEED", knobCentre(kSpeedX), kLabelStyle},
    {"SYNC", static_cast<float>(kSyncX) + 0.5f * kSwitchW - 4.f, switchLabelStyle},
    // Centred over the switch and its legend together.
    {"WAVEFORM", static_cast<float>(kWaveformX) + 0.5f * kSwitchW + 8.f, switchLabelStyle},
    {"DEPTH", knobCentre(kDepthX), kLabelStyle},
    {"STEREO", knobCentre(kStereoX), kLabelStyle},
    {"MIX", knobCentre(kMixX), kLabelStyle},
  };
  for (const auto& l : labels)
    engrave(c, shapes, l.style, l.text, l.cx, kLabelBaseline, kLabel);

  // The stage button's two lamps, named underneath: the left one lights for 4, the right for 8.
  const Lettering legendStyle{"Art-CondensedBold", 18.f, 0.f};
  for (int k = 0; k < 2; ++k)
  {
    const float lampCx = static_cast<float>(kStagesX) + (k == 0 ? 33.f : 63.f);
    engrave(c, shapes, legendStyle, k == 0 ? "4" : "8", lampCx, static_cast<float>(kStagesY + kStagesH) + 22.f, kLabel,
            EAlign::Center, 0.9f);
  }

  const Canvas knobBase = MakeKnobBase();
  for (int x : kKnobXs)
    c.Over(knobBase, x, kKnobY);

  // Value strips: the text sits on the bottom of each control's rectangle.
  const float knobBottom = static_cast<float>(kKnobY + kKnobSize + kTextStrip);
  for (int x : kKnobXs)
    displayStrip(c, shapes, IRECT(knobCentre(x) - 52.f, knobBottom - 30.f, knobCentre(x) + 52.f, knobBottom - 2.f));
  const float syncBottom = static_cast<float>(kSwitchY + kSwitchTextBottom);
  const float syncCx = static_cast<float>(kSyncX) + 0.5f * kSwitchW;
  displayStrip(c, shapes, IRECT(syncCx - 31.f, syncBottom - 30.f, syncCx + 31.f, syncBottom - 2.f));

  // The waveform switch's legend: the triangle beside the lever's upper position (value 1),
  // the sine beside its lower one (value 0). The triangle is mitred and the sine round, so
  // the two stay distinct at half size.
  const float gx = static_cast<float>(kWaveformX + kSwitchW) + 4.f, gw = 24.f, amp = 7.f, stroke = 2.4f;
  const float upY = static_cast<float>(kSwitchY) + kSwitchCapUpY, downY = static_cast<float>(kSwitchY) + kSwitchCapDownY;
  const float xs[] = {gx, gx + 0.25f * gw, gx + 0.75f * gw, gx + gw};
  const float ys[] = {upY, upY - amp, upY + amp, upY};
  // A band of constant stroke width: each vertex moves up and down by half the stroke
  // divided by the cosine of the slope.
  const float half = 0.5f * stroke * std::sqrt(1.f + std::pow(amp / (0.25f * gw), 2.f));
  std::vector<float> band;
  for (int i = 0; i < 4; ++i)
    band.push_back(xs[i]), band.push_back(ys[i] - half);
  for (int i = 3; i >= 0; --i)
    band.push_back(xs[i]), band.push_back(ys[i] + half);
  std::vector<float> sine;
  for (int i = 0; i <= 32; ++i)
  {
    const float t = static_cast<float>(i) / 32.f;
    sine.push_back(gx + gw * t), sine.push_back(downY - amp * std::sin(2.f * kPi * t));
  }
  for (const Mask& m : {shapes.Polygon(band), shapes.Polyline(sine, stroke)})
  {
    c.Paint(m.Shifted(0, 1).Blurred(0.6f), kShadow, 0.7f);
    c.Paint(m, kLabel, 0.9f);
  }
}

void headerArt(Canvas& c, Shapes& shapes)
{
  // Preset button: a raised key with a list glyph, named beside it.
  const IRECT preset(kPresetMenu[0], kPresetMenu[1], kPresetMenu[2], kPresetMenu[3]);
  PaintKey(c, shapes, preset,
           {12.f, 3.f, 0.8f, 2.5f, 10.f, Rgb8(122, 132, 144), Rgb8(26, 30, 36), Rgb8(70, 78, 89), Rgb8(44, 50, 58)});
  for (int k = -1; k <= 1; ++k)
  {
    const float y = preset.MH() + 10.f * static_cast<float>(k);
    const Mask bar = shapes.Polyline({preset.MW() - 13.f, y, preset.MW() + 13.f, y}, 3.6f);
    c.Paint(bar.Shifted(0, 1).Blurred(0.8f), kShadow, 0.7f);
    c.Paint(bar, kCream);
  }
  const Lettering presetStyle{"Art-Medium", 19.f, 3.f};
  const float presetBaseline = preset.MH() + 0.5f * shapes.CapHeight(presetStyle);
  engrave(c, shapes, presetStyle, "PRESETS", preset.R + 16.f, presetBaseline, kLabel, EAlign::Near);
  const float caretX = preset.R + 16.f + shapes.TextWidth(presetStyle, "PRESETS") + 10.f;
  const float caretY = preset.MH();
  c.Paint(shapes.Polygon({caretX, caretY - 3.f, caretX + 10.f, caretY - 3.f, caretX + 5.f, caretY + 3.f}), kTeal);

  // The name: light "Mistlegrove", teal "Phaser", and the vendor spaced out beneath.
  const Lettering nameStyle{"Art-Light", 46.f, 0.f};
  const Lettering productStyle{"Art-Medium", 46.f, 0.f};
  const float nameW = shapes.TextWidth(nameStyle, "Mistlegrove"), space = 12.f;
  const float productW = shapes.TextWidth(productStyle, "Phaser");
  const float left = 0.5f * (kWidth - (nameW + space + productW)), titleBaseline = 62.f;
  const Mask name = shapes.Text(nameStyle, "Mistlegrove", left, titleBaseline, EAlign::Near);
  const Mask product = shapes.Text(productStyle, "Phaser", left + nameW + space, titleBaseline, EAlign::Near);
  c.Paint(name.Shifted(0, 2).Blurred(1.5f), kShadow, 0.8f);
  c.Paint(product.Shifted(0, 2).Blurred(1.5f), kShadow, 0.8f);
  c.Paint(name, kCream);
  c.AddLight(product.Blurred(5.f), kTeal, 0.25f);
  c.Paint(product, kTeal);

  const Lettering vendorStyle{"Art-Medium", 18.f, 6.f};
  const float vendorBaseline = 92.f;
  engrave(c, shapes, vendorStyle, "MISTLEGROVE MUSIC", 0.5f * kWidth, vendorBaseline, kLabel, EAlign::Center, 0.6f);
  const float vw = shapes.TextWidth(vendorStyle, "MISTLEGROVE MUSIC");
  const float ruleY = vendorBaseline - 0.5f * shapes.CapHeight(vendorStyle);
  for (int side : {-1, 1})
  {
    const float x0 = 0.5f * kWidth + static_cast<float>(side) * (0.5f * vw + 14.f);
    const float x1 = x0 + static_cast<float>(side) * 60.f;
    c.Paint(shapes.Polyline({x0, ruleY, x1, ruleY}, 2.f), [=](float x, float) {
      return WithAlpha(kTealDim, 0.8f * (1.f - std::clamp((x - x0) / (x1 - x0), 0.f, 1.f)));
    });
  }

  // Online button: a pill with a globe and the web address.
  const IRECT online(kOnlineMenu[0], kOnlineMenu[1], kOnlineMenu[2], kOnlineMenu[3]);
  const float radius = 0.5f * online.H();
  c.Paint(shapes.RoundRect(online.GetTranslated(0.f, 3.f), radius).Blurred(3.f), kShadow, 0.8f);
  const Mask pill = shapes.RoundRect(online, radius);
  const Mask pillInner = shapes.RoundRect(online.GetPadded(-2.f), radius - 2.f);
  c.Paint(pill, kTealDim);
  c.Paint(pillInner, [online](float, float y) {
    return Mix(Rgb8(30, 37, 45), Rgb8(14, 18, 23), (y - online.T) / online.H());
  });
  c.Paint(pillInner.Minus(pillInner.Shifted(0, 2).Blurred(1.f)), Rgb8(255, 255, 255), 0.06f);
  const float gx = online.L + 34.f, gy = online.MH(), gr = 11.f;
  Mask globe = shapes.Ring(gx, gy, gr, 2.2f);
  std::vector<float> meridian;
  for (int i = 0; i <= 32; ++i)
  {
    const float a = 2.f * kPi * static_cast<float>(i) / 32.f;
    meridian.push_back(gx + 0.45f * gr * std::sin(a)), meridian.push_back(gy - gr * std::cos(a));
  }
  const Mask lines[] = {shapes.Polyline(meridian, 1.8f), shapes.Polyline({gx - gr, gy, gx + gr, gy}, 1.8f),
                        shapes.Polyline({gx, gy - gr, gx, gy + gr}, 1.8f)};
  c.Paint(globe, kTeal);
  for (const Mask& m : lines)
    c.Paint(m, kTeal);
  const Lettering urlStyle{"Art-Regular", 21.f, 0.3f};
  const float urlBaseline = gy + 0.5f * shapes.CapHeight(urlStyle);
  const float urlLeft = gx + gr + 13.f;
  const float urlRoom = online.R - radius * 0.6f - urlLeft;
  const float urlW = shapes.TextWidth(urlStyle, "mistlegrovemusic.com");
  engrave(c, shapes, urlStyle, "mistlegrovemusic.com", urlLeft + 0.5f * (urlRoom - urlW), urlBaseline, kLabel,
          EAlign::Near);
}

} // namespace

Picture MakeBackground()
{
  Canvas c(kWidth, kHeight);
  Shapes shapes(kWidth, kHeight);
  paintPanel(c, shapes);
  texture(c);
  controlsArt(c, shapes);
  headerArt(c, shapes);
  return c.ToPicture(true);
}

} // namespace artwork
