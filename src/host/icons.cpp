#include "host/icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The pictures are compiled into the static host library; the plug-in pulls them in.
static void loadIconResources() { Q_INIT_RESOURCE(icons); }

namespace trunaccount::host {

QIcon toolIcon(const char* name) {
    static const bool loaded = (loadIconResources(), true);
    Q_UNUSED(loaded);
    QSvgRenderer svg(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        svg.render(&p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace trunaccount::host
