/* The template databases among the program's resources: their ids, their resource type and the
   names of their committed files under resources/templates. The plain #defines are read by the
   resource compiler (resources/frixa.rc) and the build (cmake/EmbedResources.cmake) too. */
#ifndef FRIXA_TEMPLATE_IDS_H
#define FRIXA_TEMPLATE_IDS_H

#define FRIXA_CALIBRATION_TEMPLATE_ID 101 /* calibration.mdb: RawData, PointData, Losses, Info */
#define FRIXA_HOST_TEMPLATE_ID 102        /* host.mdb: Losses */

#ifndef RC_INVOKED
#include <string_view>

namespace frixa {

inline constexpr int kCalibrationTemplateId = FRIXA_CALIBRATION_TEMPLATE_ID;
inline constexpr int kHostTemplateId = FRIXA_HOST_TEMPLATE_ID;
inline constexpr std::string_view kTemplateResourceType = "MDB";

// File names of the committed templates under resources/templates.
inline constexpr std::string_view kCalibrationTemplateFile = "calibration.mdb";
inline constexpr std::string_view kHostTemplateFile = "host.mdb";

}  // namespace frixa
#endif

#endif
