// Generated ICC profiles that stand in for the printer's profiles.
#pragma once

#include <string>

namespace kv71p {

enum class TestProfileKind {
  MatrixShaperRgb,  // output class, RGB, matrix and tone curves
  LutRgb,           // output class, RGB, colour look-up tables between identity curves
  LutCmyk,          // output class, CMYK (a profile the filter must refuse)
};

// Writes the profile to `path`; false when it could not be made or saved.
bool WriteTestProfile(TestProfileKind kind, const std::string& path);

// Parses "matrix", "lut" or "cmyk".
bool ParseTestProfileKind(const std::string& name, TestProfileKind* kind);

}  // namespace kv71p
