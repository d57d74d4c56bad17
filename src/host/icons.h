// The toolbar's icons, drawn from the library's own SVG pictures.
#pragma once

#include <QIcon>

namespace trunaccount::host {

// The icon of that name ("search", "save", ...), drawn at 16 and 32 pixels.
QIcon toolIcon(const char* name);

}  // namespace trunaccount::host
