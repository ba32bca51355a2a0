#include "ToolBarStyle.h"

ToolBarStyle::ToolBarStyle() = default;

int ToolBarStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ToolBarItemSpacing:
    case PM_ToolBarItemMargin:
    case PM_ToolBarFrameWidth:
        return 0;
    case PM_ToolBarHandleExtent:
        // The same grip width whoever asks, so that the frame can work out
        // the toolbar's layout from its size hint.
        return QProxyStyle::pixelMetric(metric, nullptr, widget);
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int ToolBarStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const
{
    // The toolbar jumps to its place when docked instead of gliding there:
    // the frame moves it again right after the main window places it.
    if (hint == SH_Widget_Animation_Duration)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
