#include "Look.h"

QString Look::Text() const
{
    // A plus sign on brightening, so the sign is always read the same way.
    QString text = QStringLiteral("Exposure %1%2").arg(exposure > 0 ? "+" : "").arg(exposure, 0, 'f', 1);
    text += QStringLiteral("  ") + transform.Name();
    switch (component) {
    case Component::Colour: break;
    case Component::Red: text += QStringLiteral("  Red"); break;
    case Component::Green: text += QStringLiteral("  Green"); break;
    case Component::Blue: text += QStringLiteral("  Blue"); break;
    case Component::Luminance: text += QStringLiteral("  Luminance"); break;
    case Component::OverChecker: text += QStringLiteral("  Over checkerboard"); break;
    }
    return text;
}
