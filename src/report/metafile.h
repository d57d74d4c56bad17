// Windows metafiles of report pages, written from their documented record
// formats: EMF (enhanced metafile, text in UTF-16) and WMF (placeable Windows
// metafile, text in the GB2312 character set, i.e. GBK bytes). One logical
// unit is a tenth of a millimetre, as in the page model.
#pragma once

#include <QByteArray>

#include "report/report.h"

namespace trunaccount::report {

QByteArray emfPage(const Report& report, const Page& page);
QByteArray wmfPage(const Report& report, const Page& page);

}  // namespace trunaccount::report
