// The caption buttons of the skinned frame. They behave exactly as skinned push buttons; the
// frame gives each its own style ("SystemButtonClose" ...) when it creates them.
#pragma once

#include "skin/skin_button_win32.h"

class CSkinedSystemButton : public CSkinedButton {};

class CSkinedSystemButtonClose final : public CSkinedSystemButton {};
class CSkinedSystemButtonMaximize final : public CSkinedSystemButton {};
class CSkinedSystemButtonMinimize final : public CSkinedSystemButton {};
class CSkinedSystemButtonRestore final : public CSkinedSystemButton {};
