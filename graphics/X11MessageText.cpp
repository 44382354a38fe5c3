// The message box's text: paragraphs broken into lines that fit its width, word by word.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "graphics/Font.h"
#include "graphics/X11MessageBox.h"

namespace frame::graphics {

namespace {

size_t nextCodePoint(const std::string& s, size_t i)
{
  ++i;
  while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
    ++i;
  return i;
}

class LineBreaker
{
public:
  LineBreaker(Font& font, float px, float maxWidth, std::vector<MessageLine>& out)
    : mFont(font), mPx(px), mMax(maxWidth), mOut(out)
  {
    mTab = std::max(1.f, 8.f * font.MeasureWidth(" ", px));
  }

  void Paragraph(const std::string& text)
  {
    size_t i = 0;
    while (i < text.size())
    {
      const char c = text[i];
      if (c == ' ')
      {
        mSpaces += ' ';
        ++i;
      }
      else if (c == '\t')
      {
        tab();
        ++i;
      }
      else
      {
        size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t')
          ++end;
        word(text.substr(i, end - i));
        i = end;
      }
    }
    endLine();
  }

private:
  float width(const std::string& s) { return mFont.MeasureWidth(s.c_str(), mPx); }

  void endLine()
  {
    MessageLine line;
    for (auto& run : mRuns)
      if (!run.text.empty())
      {
        line.width = std::max(line.width, run.x + width(run.text));
        line.runs.push_back(std::move(run));
      }
    mOut.push_back(std::move(line));
    mRuns.clear();
    mSpaces.clear();
  }

  bool lineEmpty() const
  {
    for (const auto& run : mRuns)
      if (!run.text.empty())
        return false;
    return true;
  }

  MessageLine::Run& run()
  {
    if (mRuns.empty())
      mRuns.push_back({0.f, {}});
    return mRuns.back();
  }

  void tab()
  {
    MessageLine::Run& r = run();
    const float pen = r.x + width(r.text + mSpaces);
    const float stop = (std::floor(pen / mTab) + 1.f) * mTab;
    mSpaces.clear();
    if (stop > mMax && !lineEmpty())
    {
      endLine();
      return;
    }
    mRuns.push_back({stop, {}});
  }

  void word(const std::string& w)
  {
    MessageLine::Run& r = run();
    const std::string candidate = r.text + mSpaces + w;
    if (r.x + width(candidate) <= mMax)
    {
      r.text = candidate;
      mSpaces.clear();
      return;
    }
    if (!lineEmpty())
    {
      endLine();
      if (width(w) <= mMax)
      {
        run().text = w;
        return;
      }
    }
    // Too wide even for a line of its own: break between characters.
    std::string rest = w;
    while (!rest.empty())
    {
      MessageLine::Run& cur = run();
      const std::string lead = cur.text + mSpaces;
      size_t cut = nextCodePoint(rest, 0);
      for (size_t next = cut; next < rest.size(); next = nextCodePoint(rest, next))
      {
        const size_t after = nextCodePoint(rest, next);
        if (cur.x + width(lead + rest.substr(0, after)) > mMax)
          break;
        cut = after;
      }
      cur.text = lead + rest.substr(0, cut);
      mSpaces.clear();
      rest.erase(0, cut);
      if (!rest.empty())
        endLine();
    }
  }

  Font& mFont;
  float mPx, mMax, mTab;
  std::vector<MessageLine>& mOut;
  std::vector<MessageLine::Run> mRuns;
  std::string mSpaces; // after the last word, placed only if another word follows
};

} // namespace

std::vector<MessageLine> LayoutMessageText(Font& font, float pxSize, const char* text, float maxWidth)
{
  std::vector<MessageLine> lines;
  LineBreaker breaker(font, pxSize, maxWidth, lines);
  std::string paragraph;
  for (const char* p = text ? text : ""; ; ++p)
  {
    if (*p == '\n' || *p == '\0')
    {
      breaker.Paragraph(paragraph);
      paragraph.clear();
      if (*p == '\0')
        break;
    }
    else if (*p != '\r')
      paragraph += *p;
  }
  return lines;
}

} // namespace frame::graphics
