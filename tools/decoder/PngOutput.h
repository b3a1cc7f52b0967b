// Writes the planes of a print as PNG files: each plane as grey levels
// shown the right way up, and a colour preview in which the three planes
// are read back as dye densities (red = cyan plane, green = magenta plane,
// blue = yellow plane; 255 is paper white).
#pragma once

#include <string>
#include <vector>

#include "tools/decoder/PlaneImage.h"
#include "tools/decoder/PrintAssembler.h"

namespace kv71p {

// Status codes: 0 written, 1 the file could not be written, 3 invalid
// argument (planes of different sizes, no plane at all).
int WritePlanePng(const std::string& path, const PlaneImage& plane);

// Any of the three planes may be null: it then carries no dye (255).
int WritePreviewPng(const std::string& path, const PlaneImage* yellow, const PlaneImage* magenta,
                    const PlaneImage* cyan);

// Writes "printNN-yellow.png", "-magenta.png", "-cyan.png" (planes present)
// and "printNN-preview.png" into `folder`, creating it when missing, and
// appends the paths written to `written`. Returns 0, 1 or 3 as above.
int WritePrintPngs(const StreamPrint& print, const std::string& folder,
                   std::vector<std::string>* written);

// The file name of one picture of a print ("print01-yellow.png").
std::string PrintPngName(int printNumber, const char* what);

}  // namespace kv71p
