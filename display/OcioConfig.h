// An OpenColorIO config (the studios' colour pipeline, named by $OCIO): its
// display/view pairs as display transforms that take the file's colour as
// the config's scene_linear role. A config that cannot be read, fails its
// own validation or has no scene_linear role counts as failed, with a
// report; so does every config in a build without OpenColorIO. Used on the
// window's thread; the transforms it makes may be applied on any.
#pragma once

#include "DisplayTransform.h"

#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class OcioConfig {
public:
    OcioConfig();
    ~OcioConfig();
    OcioConfig(OcioConfig&&) noexcept;
    OcioConfig& operator=(OcioConfig&&) noexcept;

    // Whether this build applies OpenColorIO configs at all.
    static bool BuiltWithOcio();

    // Reads the config at path (as the file system spells it).
    static OcioConfig Load(const QString& path);

    bool IsLoaded() const { return config_ != nullptr; }
    // Why the config failed, e.g. "OpenColorIO config /x.ocio: ..."; empty
    // when it loaded.
    const QString& Error() const { return error_; }

    // "DISPLAY/VIEW" of every pair, displays and views in the config's order.
    const std::vector<QString>& ViewKeys() const { return keys_; }

    // The transform of pair key, its processor made on first use; nothing
    // for a key the config lacks or a view the library cannot build (why is
    // then in *why).
    std::optional<DisplayTransform> Transform(const QString& key, QString* why = nullptr) const;

private:
    struct Config;  // the library's config
    std::unique_ptr<Config> config_;
    QString error_;
    std::vector<QString> keys_;
    std::vector<std::pair<QString, QString>> pairs_;  // display, view; as keys_
    mutable std::map<QString, DisplayTransform> made_;
};
