#include "widgets/interface_font.h"

#include <QStringList>

namespace trunaccount {

QFont InterfaceFont(int pixelSize) {
    QFont f;
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC")});
    f.setPixelSize(pixelSize);
    return f;
}

}  // namespace trunaccount
