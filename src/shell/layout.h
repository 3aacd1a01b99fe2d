// MainWindow and its controls: fixed places, sizes, fonts and visibility.
#pragma once

#include <windows.h>

#include <string>

#include "base/program_constants.h"

// Registers the classes and makes MainWindow hidden, in its collapsed form, centred and then
// moved up by 100 pixels. 0 when it cannot be made.
HWND OpenMainWindow();

class ImageButtons;

// Makes the controls in their order (everything of the window but the window itself); GoButton
// and SaveButton among the buttons.
void CreateControls(ImageButtons& buttons);

// Sets the text of SiteLink's tooltip (made with the controls).
void SetSiteLinkTooltip(const std::string& text);
