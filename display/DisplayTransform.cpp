#include "DisplayTransform.h"

#include <utility>

DisplayTransform DisplayTransform::Srgb()
{
    DisplayTransform transform;
    transform.kind_ = Kind::Srgb;
    return transform;
}

DisplayTransform DisplayTransform::Ocio(const QString& display, const QString& view,
                                        std::shared_ptr<const OcioProcessor> processor)
{
    DisplayTransform transform;
    transform.kind_ = Kind::Ocio;
    transform.key_ = display + QLatin1Char('/') + view;
    transform.processor_ = std::move(processor);
    return transform;
}

QString DisplayTransform::Name() const
{
    switch (kind_) {
    case Kind::Stored: return QStringLiteral("As stored");
    case Kind::Srgb: return QStringLiteral("sRGB");
    case Kind::Ocio: break;
    }
    return key_;
}

QString DisplayTransform::Key() const
{
    switch (kind_) {
    case Kind::Stored: return QStringLiteral("stored");
    case Kind::Srgb: return QStringLiteral("srgb");
    case Kind::Ocio: break;
    }
    return key_;
}
