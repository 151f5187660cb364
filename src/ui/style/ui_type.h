#pragma once

#include <QFont>

// The type scale of the windows, all in the system font. Sizes are device-independent pixels,
// like the theme's paddings and radius, so text and the space around it scale together.
namespace UIType {

QFont title();        // 20, bold
QFont heading();      // 16, semibold
QFont body();         // 14, regular
QFont bodyBold();     // 14, semibold
QFont note();         // 13, regular
QFont columnLabel();  // 13, medium

}  // namespace UIType
