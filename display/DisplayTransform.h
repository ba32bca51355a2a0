// How the colour's values become the screen's bytes: "As stored" (the
// picture exactly as the display bitmap holds it), "sRGB" (the values taken
// as linear and encoded with the sRGB curve), or a display/view of an
// OpenColorIO config. A value: copied into every look, compared by what it
// draws.
#pragma once

#include "OcioProcessor.h"

#include <QString>

#include <memory>

class DisplayTransform {
public:
    enum class Kind { Stored, Srgb, Ocio };

    DisplayTransform() = default;
    static DisplayTransform Stored() { return DisplayTransform(); }
    static DisplayTransform Srgb();
    // The view `view` of display `display`, applied by processor.
    static DisplayTransform Ocio(const QString& display, const QString& view,
                                 std::shared_ptr<const OcioProcessor> processor);

    Kind kind() const { return kind_; }
    // As menus and the status bar name it: "As stored", "sRGB", "DISPLAY/VIEW".
    QString Name() const;
    // As the command line and the settings spell it: "stored", "srgb",
    // "DISPLAY/VIEW".
    QString Key() const;
    // The processor of an OpenColorIO view; null for the built-in two.
    const OcioProcessor* Processor() const { return processor_.get(); }

    bool operator==(const DisplayTransform& other) const
    {
        return kind_ == other.kind_ && key_ == other.key_ && processor_ == other.processor_;
    }
    bool operator!=(const DisplayTransform& other) const { return !(*this == other); }

private:
    Kind kind_ = Kind::Stored;
    QString key_;  // "DISPLAY/VIEW" of an OpenColorIO view
    std::shared_ptr<const OcioProcessor> processor_;
};
