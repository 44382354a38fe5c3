#pragma once

// Enumerations shared by the editor, the platform services and the version check.
namespace frame::graphics {

enum EMsgBoxType
{
  kMB_OK = 0,
  kMB_OKCANCEL = 1,
  kMB_YESNOCANCEL = 3,
  kMB_YESNO = 4,
  kMB_RETRYCANCEL = 5
};

enum EMsgBoxResult
{
  kNoResult = 0,
  kOK = 1,
  kCANCEL = 2,
  kABORT = 3,
  kRETRY = 4,
  kIGNORE = 5,
  kYES = 6,
  kNO = 7
};

enum class ECursor
{
  ARROW = 0,
  IBEAM = 1,
  WAIT = 2,
  CROSS = 3,
  UPARROW = 4,
  SIZENWSE = 5,
  SIZENESW = 6,
  SIZEWE = 7,
  SIZENS = 8,
  SIZEALL = 9,
  INO = 10,
  HAND = 11,
  APPSTARTING = 12,
  HELP = 13
};

enum EDirection
{
  kVertical = 0,
  kHorizontal = 1
};

enum class EUIResizerMode
{
  Scale = 0,
  Size = 1
};

} // namespace frame::graphics
