// The editor view as a host sees it, before the editor itself exists.
#include <gtest/gtest.h>

#include "vst3/Bundle.h"

using namespace mgtest;

namespace {
IPtr<IPlugView> editorView(Instance& plug) { return owned(plug.controller->createView(ViewType::kEditor)); }
} // namespace

TEST(View, OnlyTheEditorViewExists)
{
  Instance plug(createComponent());
  EXPECT_TRUE(editorView(plug));
  EXPECT_EQ(plug.controller->createView("other"), nullptr);
}

TEST(View, EmbedsIntoX11WindowsOnly)
{
  Instance plug(createComponent());
  auto view = editorView(plug);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeNSView), kResultFalse);
  EXPECT_EQ(view->attached(reinterpret_cast<void*>(0x1234), kPlatformTypeHWND), kResultFalse);
}

TEST(View, AttachingWithoutAnEditorFailsCleanly)
{
  Instance plug(createComponent());
  auto view = editorView(plug);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->attached(reinterpret_cast<void*>(0x1234), kPlatformTypeX11EmbedWindowID), kResultFalse);
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(view->attached(reinterpret_cast<void*>(0x1234), kPlatformTypeX11EmbedWindowID), kResultFalse);
}

TEST(View, SizeIsTheEditorsAndConstraintsMoveTheFarEdges)
{
  Instance plug(createComponent());
  auto view = editorView(plug);
  ASSERT_TRUE(view);
  ViewRect size;
  ASSERT_EQ(view->getSize(&size), kResultTrue);
  EXPECT_EQ(size.getWidth(), 720);
  EXPECT_EQ(size.getHeight(), 174);
  EXPECT_EQ(view->canResize(), kResultFalse);

  ViewRect big(0, 0, 2000, 50);
  ASSERT_EQ(view->checkSizeConstraint(&big), kResultTrue);
  EXPECT_EQ(big.right, 1440);
  EXPECT_EQ(big.bottom, 87);
  ViewRect small(100, 200, 110, 1000);
  view->checkSizeConstraint(&small);
  EXPECT_EQ(small.left, 100);
  EXPECT_EQ(small.top, 200);
  EXPECT_EQ(small.getWidth(), 360);
  EXPECT_EQ(small.getHeight(), 348);
}

TEST(View, KeepsItsInstanceAlive)
{
  IPtr<IPlugView> view;
  {
    Instance plug(createComponent());
    view = editorView(plug);
  }
  ViewRect size;
  EXPECT_EQ(view->getSize(&size), kResultTrue);
}
