// What the report says about the properties of one converted form object:
// which were dropped (with their values), which the rules renamed or
// translated (old and new names and values), and which the new object has
// that the old one did not.
#pragma once

#include "engine/report/RunReport.h"
#include "formrules/ZanFormParser.h"

namespace zan {

/// Fills the property lists of `entry` from the object `parser` has just
/// converted (its property traces and its output list). Values are form text
/// with line breaks as LF.
void DescribeConvertedProperties(const TZanFormParser& parser, TRunReport::TFormObjectEntry& entry);

}  // namespace zan
