// The toolbar's metrics: buttons side by side without gaps and no border
// around them, so that the six blank buttons under the banner add up to
// exactly its width. Everything else is the application style's.
#pragma once

#include <QProxyStyle>

class ToolBarStyle : public QProxyStyle {
    Q_OBJECT
public:
    ToolBarStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};
