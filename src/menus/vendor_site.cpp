#include "menus/vendor_site.h"

namespace VendorSite {

QUrl page(const QString& pathAndQuery) {
  return QUrl(QStringLiteral(WORDLOOM_VENDOR_SITE) + pathAndQuery);
}

}  // namespace VendorSite
