#include "OcioConfig.h"

#include "OcioProcessorImpl.h"

#ifdef BRIMWELL_HAVE_OCIO
#include <OpenColorIO/OpenColorIO.h>
namespace OCIO = OCIO_NAMESPACE;
#endif

#include <QFile>

struct OcioConfig::Config {
#ifdef BRIMWELL_HAVE_OCIO
    OCIO::ConstConfigRcPtr config;
#endif
};

OcioConfig::OcioConfig() = default;
OcioConfig::~OcioConfig() = default;
OcioConfig::OcioConfig(OcioConfig&&) noexcept = default;
OcioConfig& OcioConfig::operator=(OcioConfig&&) noexcept = default;

bool OcioConfig::BuiltWithOcio()
{
#ifdef BRIMWELL_HAVE_OCIO
    return true;
#else
    return false;
#endif
}

OcioConfig OcioConfig::Load(const QString& path)
{
    OcioConfig loaded;
    const QString prefix = QStringLiteral("OpenColorIO config %1: ").arg(path);
#ifdef BRIMWELL_HAVE_OCIO
    try {
        auto config = std::make_unique<Config>();
        config->config = OCIO::Config::CreateFromFile(QFile::encodeName(path).constData());
        config->config->validate();
        if (!config->config->getColorSpace(OCIO::ROLE_SCENE_LINEAR)) {
            loaded.error_ = prefix + QStringLiteral("it has no scene_linear role");
            return loaded;
        }
        for (int d = 0; d < config->config->getNumDisplays(); ++d) {
            const char* display = config->config->getDisplay(d);
            for (int v = 0; v < config->config->getNumViews(display); ++v) {
                const QString displayName = QString::fromUtf8(display);
                const QString viewName = QString::fromUtf8(config->config->getView(display, v));
                loaded.pairs_.emplace_back(displayName, viewName);
                loaded.keys_.push_back(displayName + QLatin1Char('/') + viewName);
            }
        }
        if (loaded.keys_.empty()) {
            loaded.error_ = prefix + QStringLiteral("it has no display with a view");
            loaded.pairs_.clear();
            return loaded;
        }
        loaded.config_ = std::move(config);
    } catch (const std::exception& error) {
        loaded.pairs_.clear();
        loaded.keys_.clear();
        loaded.error_ = prefix + QString::fromLocal8Bit(error.what());
    }
#else
    loaded.error_ = prefix + QStringLiteral("this build has no OpenColorIO");
#endif
    return loaded;
}

std::optional<DisplayTransform> OcioConfig::Transform(const QString& key, QString* why) const
{
    const auto made = made_.find(key);
    if (made != made_.end())
        return made->second;
    std::size_t index = 0;
    while (index < keys_.size() && keys_[index] != key)
        ++index;
    if (index == keys_.size() || !config_) {
        if (why != nullptr)
            *why = QStringLiteral("no display/view \"%1\" in the OpenColorIO config").arg(key);
        return std::nullopt;
    }
#ifdef BRIMWELL_HAVE_OCIO
    try {
        const auto& [display, view] = pairs_[index];
        OCIO::DisplayViewTransformRcPtr displayView = OCIO::DisplayViewTransform::Create();
        displayView->setSrc(OCIO::ROLE_SCENE_LINEAR);
        displayView->setDisplay(display.toUtf8().constData());
        displayView->setView(view.toUtf8().constData());
        OCIO::ConstProcessorRcPtr processor = config_->config->getProcessor(displayView);
        auto impl = std::make_unique<OcioProcessor::Impl>();
        impl->cpu = processor->getOptimizedCPUProcessor(OCIO::BIT_DEPTH_F32, OCIO::BIT_DEPTH_F32,
                                                        OCIO::OPTIMIZATION_DEFAULT);
        DisplayTransform transform =
            DisplayTransform::Ocio(display, view, std::make_shared<const OcioProcessor>(std::move(impl)));
        made_.emplace(key, transform);
        return transform;
    } catch (const std::exception& error) {
        if (why != nullptr)
            *why = QStringLiteral("OpenColorIO view \"%1\": %2").arg(key, QString::fromLocal8Bit(error.what()));
    }
#endif
    return std::nullopt;
}
