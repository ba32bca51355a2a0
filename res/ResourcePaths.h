// Where the compiled-in pictures are found.
#pragma once

namespace respaths {
constexpr const char* kToolbarStrip = ":/res/toolbar.png";          // 16 images of 50 x 50
constexpr const char* kAboutCompany = ":/res/about_company.bmp";    // bitmap 133, 79 x 65
constexpr const char* kAboutMaker = ":/res/about_maker.bmp";        // bitmap 134, 139 x 65
constexpr const char* kIcon256 = ":/res/brimwell.png";
constexpr const char* kIcon16 = ":/res/brimwell_16.png";
constexpr const char* kIcon32 = ":/res/brimwell_32.png";
constexpr const char* kIcon48 = ":/res/brimwell_48.png";
}  // namespace respaths
