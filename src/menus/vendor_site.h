#pragma once

#include <QString>
#include <QUrl>

// The vendor's web site, where help, bug reports and the product page live.
namespace VendorSite {

// The page at `pathAndQuery` ("/apps/wordloom/") of the site this build was made for.
QUrl page(const QString& pathAndQuery);

}  // namespace VendorSite
