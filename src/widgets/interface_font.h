// The interface font of the plug-in's windows and dialogs.
#pragma once

#include <QFont>

namespace trunaccount {

// "宋体" of the given pixel height (12 pixels: 9 point on a 96 dpi screen),
// falling back to the CJK fonts Linux has.
QFont InterfaceFont(int pixelSize = 12);

}  // namespace trunaccount
