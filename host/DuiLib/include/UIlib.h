// The UI toolkit, as far as the plug-in uses it.
#pragma once

#include <windows.h>

#include "UIAnimation.h"
#include "UIBase.h"
#include "UIControl.h"
#include "UIMainQueue.h"
#include "UIManager.h"
#include "UIWindow.h"
